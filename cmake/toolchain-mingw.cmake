# Cross-compilation with Debian's mingw-w64 (posix thread model): what the
# two targets share. toolchain-mingw32.cmake and toolchain-mingw64.cmake set
# CMAKE_SYSTEM_PROCESSOR and TLS_MINGW_PREFIX and include this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${TLS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TLS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TLS_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TLS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
