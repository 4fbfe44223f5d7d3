# Build-time step of DelayLoad.cmake: turns one import library into a delay-import library.
#
#   cmake -DNM= -DAR= -DOBJDUMP= -DOBJCOPY= -DDLLTOOL= -DIMPORT_LIB= -DDLL= -DMACHINE=
#         -DDECORATED=ON|OFF -DWORK_DIR= -DOUTPUT= -P MakeDelayLib.cmake
#
# DLL is the library's link name (user32); the DLL's file name (USER32.dll, WINSPOOL.DRV) is
# read from the import library.
#
# The toolchain ships import libraries, not .def files, and there is no Windows DLL to run gendef
# on (Wine's PE DLLs exist for x86_64 only). The import library holds everything needed: one
# member per export, with a __imp_ pointer symbol, and a code thunk for functions.

foreach(var NM AR OBJDUMP OBJCOPY DLLTOOL IMPORT_LIB DLL MACHINE DECORATED WORK_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDelayLib: ${var} not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " line "${ARGN}")
    message(FATAL_ERROR "MakeDelayLib: '${line}' failed (${rc}):\n${out}${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# Extracts `members` of the import library into `dir`.
function(extract dir)
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${AR} x ${IMPORT_LIB} ${ARGN} WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "MakeDelayLib: extracting ${ARGN} from ${IMPORT_LIB} failed")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# "archive:member:value type name" for every defined global symbol.
run(${NM} -A -g --defined-only ${IMPORT_LIB})
string(REPLACE "\n" ";" lines "${run_output}")

# Sets are kept as variables (one per element): list(FIND) over a thousand exports is slow.
set(pointers "")      # exports, as __imp_ symbols name them
set(members "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^.*:([^:]+):[0-9a-fA-F]* +([A-Za-z]) +(.+)$")
    continue()
  endif()
  set(member ${CMAKE_MATCH_1})
  set(type ${CMAKE_MATCH_2})
  set(symbol ${CMAKE_MATCH_3})
  if(NOT DEFINED seen_${member})
    set(seen_${member} 1)
    list(APPEND members ${member})
  endif()
  if(type STREQUAL "I" AND symbol MATCHES "^__imp_(.+)$")
    list(APPEND pointers ${CMAKE_MATCH_1})
    set(import_${member} 1)
  elseif(symbol MATCHES "^_?_head_" OR symbol MATCHES "_iname$")
    # The import descriptor's head and the DLL name: replaced by the delay-load ones.
    set(import_${member} 1)
    if(symbol MATCHES "_iname$")
      set(name_member ${member})
    endif()
  elseif(type STREQUAL "T")
    set(code_${symbol} 1)    # a code thunk: the export is a function
  endif()
endforeach()

# Functions only: data exports cannot be delay-loaded.
set(exports "")
foreach(name IN LISTS pointers)
  if(NOT DEFINED code_${name} OR DEFINED listed_${name})
    continue()
  endif()
  set(listed_${name} 1)
  if(DECORATED)
    # i686: strip the C symbol prefix; the @N stays, dlltool --kill-at drops it from the
    # imported name while the linker symbol keeps it (_GetMessageW@16 -> "GetMessageW").
    # One underscore only: some exports begin with one (_TrackMouseEvent). REGEX REPLACE "^_"
    # would strip them all, as CMake re-anchors ^ after each replacement.
    if(name MATCHES "^_")
      string(SUBSTRING ${name} 1 -1 name)
    endif()
  endif()
  list(APPEND exports ${name})
endforeach()
list(LENGTH exports count)
if(count EQUAL 0)
  message(FATAL_ERROR "MakeDelayLib: no function exports found in ${IMPORT_LIB}")
endif()
list(SORT exports)

# The DLL's file name: the string the name member holds in .idata$7.
if(NOT DEFINED name_member)
  message(FATAL_ERROR "MakeDelayLib: no DLL name in ${IMPORT_LIB}")
endif()
extract(${WORK_DIR}/name ${name_member})
run(${OBJDUMP} -s -j .idata$7 ${WORK_DIR}/name/${name_member})
set(hex "")
string(REPLACE "\n" ";" dump "${run_output}")
foreach(line IN LISTS dump)
  # " 0000 55534552 33322e64 6c6c0000  USER32.dll.."
  if(line MATCHES "^ [0-9a-f]+ (([0-9a-f]+ ?)+)  ")
    string(REPLACE " " "" words "${CMAKE_MATCH_1}")
    string(APPEND hex "${words}")
  endif()
endforeach()
string(REGEX MATCHALL ".." bytes "${hex}")
set(dll_file "")
foreach(byte IN LISTS bytes)
  if(byte STREQUAL "00")
    break()
  endif()
  math(EXPR code "0x${byte}")
  string(ASCII ${code} char)
  string(APPEND dll_file "${char}")
endforeach()
if(NOT dll_file MATCHES "^[A-Za-z0-9_.-]+$")
  message(FATAL_ERROR "MakeDelayLib: unreadable DLL name '${dll_file}' in ${IMPORT_LIB}")
endif()

list(JOIN exports "\n" body)
file(WRITE ${WORK_DIR}/${DLL}.def "LIBRARY \"${dll_file}\"\nEXPORTS\n${body}\n")

# The generated symbols (_head_..., ..._iname) are named after this file: keep them distinct
# from the normal import library's.
set(delay_lib ${WORK_DIR}/${DLL}_delay.a)
set(kill_at "")
if(DECORATED)
  set(kill_at --kill-at)
endif()
run(${DLLTOOL} -m ${MACHINE} ${kill_at} --dllname ${dll_file} --input-def ${WORK_DIR}/${DLL}.def
    --output-delaylib ${delay_lib})

# The i386 PE linker drops the code section of an import-library member when nothing calls its
# symbol directly ("dead jump stubs": calls through __declspec(dllimport) use __imp_ alone). In
# a delay library that section is no jump stub: it holds the code the delay-import address slot
# points to until the first call resolves it. Dropped, the slot is linked as zero and the first
# call jumps to address 0. The linker recognises the stub by its code flag, so the code moves to
# a section flagged as data: its name still places it in the program's .text, which is
# executable. The x86_64 linker has no such rule; its build keeps the sections as dlltool made
# them. scripts/check-imports verifies the slots of both builds.
if(DECORATED)
  run(${OBJCOPY} --rename-section ".text=.text$delaystub,contents,alloc,load,readonly,data"
      ${delay_lib})
endif()

# Members that are not imports (libshell32.a carries GUIDs) come along unchanged.
set(extra "")
foreach(member IN LISTS members)
  if(NOT DEFINED import_${member})
    list(APPEND extra ${member})
  endif()
endforeach()
if(extra)
  extract(${WORK_DIR}/extra ${extra})
  list(TRANSFORM extra PREPEND ${WORK_DIR}/extra/)
  run(${AR} rs ${delay_lib} ${extra})
endif()

file(COPY_FILE ${delay_lib} ${OUTPUT})
