# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VORN_MINGW_PREFIX x86_64-w64-mingw32)

# The posix-threads variant carries the full C++ thread library; either works
# for the editor, so take whichever the machine has.
find_program(VORN_MINGW_CXX NAMES ${VORN_MINGW_PREFIX}-g++-posix ${VORN_MINGW_PREFIX}-g++-win32 ${VORN_MINGW_PREFIX}-g++ REQUIRED)
find_program(VORN_MINGW_CC NAMES ${VORN_MINGW_PREFIX}-gcc-posix ${VORN_MINGW_PREFIX}-gcc-win32 ${VORN_MINGW_PREFIX}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${VORN_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VORN_MINGW_CXX})
set(CMAKE_RC_COMPILER ${VORN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VORN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: the C and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
