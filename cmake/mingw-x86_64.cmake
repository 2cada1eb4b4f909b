# Cross-compiles the 64-bit Windows build (64-bit Windows 7 to 11, and Wine
# that can start only 64-bit programs) with Debian's MinGW-w64 x86_64 toolchain.
set(BRINDLE_WINDOWS_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
