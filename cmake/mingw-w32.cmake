# Cross-compiling for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686 and
# mingw-w64-tools). The POSIX-threads flavour of the compilers gives the C++ threads GoogleTest uses;
# everything links statically, so that only Windows' own DLLs are imported.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KELO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KELO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELO_MINGW_TRIPLE}-windres)
set(KELO_WIDL ${KELO_MINGW_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${KELO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
