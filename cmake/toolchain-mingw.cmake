# Cross-compiling for Windows with MinGW-w64 on Debian; included by the toolchain file of each
# width, which sets CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

set(TARNWELL_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWELL_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TARNWELL_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${TARNWELL_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWELL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# ctest runs the cross-built tests under Wine, 64- or 32-bit by the program's width.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
