# Cross-compiles the engine and the utility library as Windows x86-64 DLLs for Microsoft's
# C++ ABI (the decorated names and calling conventions of Microsoft's compiler), with
# Debian's clang and lld-link, so that applications built with Microsoft's compiler can
# link them. The audio library has a C interface and is taken from a MinGW-w64 build tree
# (PELGRA_MINGW_BUILD_DIR, by default build-mingw/ of the source tree).
#
# Microsoft's headers and libraries are not available here: the C headers and the import
# library of the Universal CRT are MinGW-w64's, and the little of the C++ runtime that the
# code needs is in msvc-runtime/.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(triple x86_64-pc-windows-msvc)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "")

set(PELGRA_MSVC_ABI ON)
set(mingw_root /usr/x86_64-w64-mingw32)
set(PELGRA_MSVC_UCRT_LIBRARY ${mingw_root}/lib/libucrt.a)

# mingw-w64's headers need a GNU C version to parse in Microsoft mode; _UCRT selects the
# Universal CRT's declarations and keeps printf and friends the CRT's own.
set(compile_flags
    "-fgnuc-version=4.2.1 -D_UCRT -D__USE_MINGW_ANSI_STDIO=0 -isystem ${mingw_root}/include")
set(CMAKE_C_FLAGS_INIT "${compile_flags}")
set(CMAKE_CXX_FLAGS_INIT "${compile_flags} -fno-exceptions -fno-rtti")

# lld-link reads MinGW's import libraries as they are. No default libraries: those would
# be Microsoft's, which are not here; each target names what it links.
set(link_flags "-fuse-ld=lld -nostdlib -Xlinker /nodefaultlib")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${link_flags}")
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
# CMake's compiler checks cannot link a program before msvc-runtime/ is built.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH ${mingw_root})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)
