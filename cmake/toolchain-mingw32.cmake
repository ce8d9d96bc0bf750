# Cross-compilation with Debian's mingw-w64 (i686, posix thread model).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TLS_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# Archives through gcc-ar: their index then names the symbols of the
# link-time-optimised objects the release build puts in them.
set(CMAKE_AR     /usr/bin/${TLS_MINGW_PREFIX}-gcc-ar-posix)
set(CMAKE_RANLIB /usr/bin/${TLS_MINGW_PREFIX}-gcc-ranlib-posix)
