# Delay-loading of system DLLs for a program, so that nothing but kernel32 and the C runtime is
# resolved by the loader before the program's first line. The first line then restricts the
# library search to the system folder (SetDefaultDllDirectories), and every other DLL is loaded
# from there on its first call: a DLL planted beside the program is never picked up, not even
# indirectly (Wine's user32, for one, imports version.dll).
#
#   tarnwell_delay_load(<target> DLLS user32 gdi32 ...)
#
# For each named DLL a delay-import library is generated at build time from the toolchain's
# normal import library, and stored as lib<name>.a in a folder that is put first on the target's
# library search path. Every -l<name> on the link line, including those the compiler driver
# adds by itself (-luser32 -ladvapi32 -lshell32, -lgdi32 -lcomdlg32 with -mwindows), therefore
# links the delay-loading version: no normal import of those DLLs can slip in by link order.
# Other targets (the test programs) keep linking the normal import libraries.
#
# The generated library keeps the import library's other members (libshell32.a carries some
# GUIDs). Data exports cannot be delay-loaded and are left out, so a reference to one fails at
# link time instead of at run time. The delay-load helper (__delayLoadHelper2) comes from
# libmingwex, which the driver links after the system import libraries.
#
# Known limit of binutils 2.40's x86_64 thunk: it preserves the four integer argument registers
# but not xmm0-xmm3, so a delay-loaded function taking float/double among its first four
# arguments would get clobbered values on its very first call. None of the user32/gdi32/shell32/
# ole32/comctl32/advapi32 functions this program calls takes one; i686 passes everything on the
# stack and is unaffected.

include_guard(GLOBAL)

set(TARNWELL_DELAYLOAD_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/MakeDelayLib.cmake)

# The generated libraries, shared by every target of the build tree that delay-loads.
set(TARNWELL_DELAYLOAD_DIR ${CMAKE_BINARY_DIR}/delayload)

function(_tarnwell_delay_lib dll out_var)
  string(TOLOWER "${dll}" dll)
  set(output ${TARNWELL_DELAYLOAD_DIR}/lib${dll}.a)
  set(${out_var} ${output} PARENT_SCOPE)
  if(TARGET tarnwell_delaylib_${dll})
    return()
  endif()

  # The import library the driver itself would link for -l<dll>.
  execute_process(
    COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT IS_ABSOLUTE "${import_lib}" OR NOT EXISTS "${import_lib}")
    message(FATAL_ERROR "delay-load: no import library lib${dll}.a for ${CMAKE_CXX_COMPILER}")
  endif()

  foreach(tool CMAKE_NM CMAKE_AR CMAKE_OBJDUMP CMAKE_OBJCOPY CMAKE_DLLTOOL)
    if(NOT ${tool})
      message(FATAL_ERROR "delay-load: ${tool} not found (binutils for the target)")
    endif()
  endforeach()

  # i686 symbols are decorated (_GetMessageW@16) while the DLL exports the bare name.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(machine i386:x86-64)
    set(decorated OFF)
  else()
    set(machine i386)
    set(decorated ON)
  endif()

  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND}
      -DNM=${CMAKE_NM} -DAR=${CMAKE_AR} -DOBJDUMP=${CMAKE_OBJDUMP} -DOBJCOPY=${CMAKE_OBJCOPY}
      -DDLLTOOL=${CMAKE_DLLTOOL}
      -DIMPORT_LIB=${import_lib} -DDLL=${dll} -DMACHINE=${machine} -DDECORATED=${decorated}
      -DWORK_DIR=${TARNWELL_DELAYLOAD_DIR}/work-${dll} -DOUTPUT=${output}
      -P ${TARNWELL_DELAYLOAD_SCRIPT}
    DEPENDS ${import_lib} ${TARNWELL_DELAYLOAD_SCRIPT}
    COMMENT "Generating the delay-load library for ${dll}.dll"
    VERBATIM)
  add_custom_target(tarnwell_delaylib_${dll} DEPENDS ${output})
endfunction()

function(tarnwell_delay_load target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "DLLS")
  if(NOT ARG_DLLS)
    message(FATAL_ERROR "tarnwell_delay_load(${target}): no DLLS given")
  endif()
  set(libs "")
  foreach(dll IN LISTS ARG_DLLS)
    _tarnwell_delay_lib(${dll} lib)
    list(APPEND libs ${lib})
    string(TOLOWER "${dll}" dll)
    add_dependencies(${target} tarnwell_delaylib_${dll})
  endforeach()
  # First on the search path: -l<dll> finds the delay-loading library before the system one.
  target_link_directories(${target} BEFORE PRIVATE ${TARNWELL_DELAYLOAD_DIR})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libs})
endfunction()
