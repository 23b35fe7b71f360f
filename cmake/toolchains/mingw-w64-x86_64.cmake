# Cross-compiles Windows x86-64 DLLs and executables with Debian's MinGW-w64 (posix
# threads, so std::thread and std::mutex work).
#
# PELGRA_WINDOWS_DEPS (a cache variable, or the environment variable of that name) names
# the prefix that scripts/windows-deps.sh builds: the Windows DLLs of SDL2, libsndfile,
# libsoxr, libopenmpt and what they need. It is searched before anything else, by
# pkg-config and by CMake's find_* calls.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

if(NOT PELGRA_WINDOWS_DEPS AND DEFINED ENV{PELGRA_WINDOWS_DEPS})
  set(PELGRA_WINDOWS_DEPS $ENV{PELGRA_WINDOWS_DEPS})
endif()
# try_compile projects read this file too: hand them the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELGRA_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH ${PELGRA_WINDOWS_DEPS} /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, which finds the toolchain's runtime DLLs and the
# dependencies' DLLs through the path that the wrapper sets.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)
if(PELGRA_WINDOWS_DEPS)
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR --dlls ${PELGRA_WINDOWS_DEPS}/bin)
endif()

# pkg-config looks only among the target system's packages, never the build machine's.
set(pkg_config_dirs /usr/${triple}/lib/pkgconfig /usr/${triple}/share/pkgconfig)
if(PELGRA_WINDOWS_DEPS)
  list(PREPEND pkg_config_dirs ${PELGRA_WINDOWS_DEPS}/lib/pkgconfig
       ${PELGRA_WINDOWS_DEPS}/share/pkgconfig)
endif()
string(REPLACE ";" ":" pkg_config_dirs "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${pkg_config_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
