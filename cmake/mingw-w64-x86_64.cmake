# Cross build for 64-bit Windows with mingw-w64 (POSIX thread model), e.g.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The executables are linked statically, so they need no DLLs beyond the system's own; the
# tests run under Wine through CTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(VANTOR_WINE NAMES wine wine64)
if(VANTOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${VANTOR_WINE}")
endif()
