# Cross-compilation with Debian's mingw-w64 (x86_64, posix thread model).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TLS_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
