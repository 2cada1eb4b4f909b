# Cross-compiles the 32-bit Windows build (Windows XP to 11, and the VB6 IDE,
# which loads only 32-bit add-ins) with Debian's MinGW-w64 i686 toolchain.
set(BRINDLE_WINDOWS_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
