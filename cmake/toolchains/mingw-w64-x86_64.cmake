# Cross-compiles Windows x86-64 DLLs and executables with Debian's MinGW-w64 (posix
# threads, so std::thread and std::mutex work).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, which finds the toolchain's runtime DLLs through the
# path that the wrapper sets.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)

# pkg-config looks only among the target system's packages, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${triple}/lib/pkgconfig:/usr/${triple}/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
