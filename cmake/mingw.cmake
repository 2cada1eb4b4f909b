# The MinGW-w64 cross toolchain for one Windows architecture, named by
# BRINDLE_WINDOWS_ARCH (i686 or x86_64) in the file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${BRINDLE_WINDOWS_ARCH})
set(triple ${BRINDLE_WINDOWS_ARCH}-w64-mingw32)
# The win32 thread model: the program starts no thread, and the posix
# model's runtime (winpthreads) imports functions that Windows XP lacks.
set(CMAKE_C_COMPILER ${triple}-gcc-win32)
set(CMAKE_CXX_COMPILER ${triple}-g++-win32)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The tests run under Wine, in the prefix each one names (tools/winerun
# picks the loader that matches the prefix's architecture).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/winerun)
