# Every lookup of a dependency, in one place, so that a missing one reads the same wherever
# it is needed. With PELGRA_REQUIRE_DEPS a missing dependency stops the configure with a
# message naming it and how to get it; without, the part that needs it is left out and
# one status line says so.
find_package(PkgConfig QUIET)

# Reports the dependency <name> missing: a configure error saying how to get it (<how>)
# with PELGRA_REQUIRE_DEPS, otherwise a status line saying what the build goes without.
# OPTIONAL: never an error (a peer measured where it is installed, or a library no
# build of this project provides for the target system).
function(pelgra_dependency_missing name how leaves_out)
  cmake_parse_arguments(PARSE_ARGV 3 arg "OPTIONAL" "" "")
  if(PELGRA_REQUIRE_DEPS AND NOT arg_OPTIONAL)
    message(FATAL_ERROR "Pelgra: ${name} not found, and with PELGRA_REQUIRE_DEPS the build "
                        "does not go without ${leaves_out}.\n"
                        "${how}\n"
                        "Or configure with -DPELGRA_REQUIRE_DEPS=OFF to build without it.")
  endif()
  message(STATUS "Pelgra: ${name} not found, building without ${leaves_out}")
endfunction()

# How to get a library for the target system: its Debian package, or for a Windows
# build the prefix of scripts/windows-deps.sh.
function(pelgra_how_to_get out package)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows" AND PELGRA_WINDOWS_DEPS)
    set(how "It is not in PELGRA_WINDOWS_DEPS=${PELGRA_WINDOWS_DEPS}: give the prefix that \
scripts/windows-deps.sh prints.")
  elseif(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(how "For a Windows build, scripts/windows-deps.sh builds the dependencies: configure \
with -DPELGRA_WINDOWS_DEPS=$(scripts/windows-deps.sh).")
  elseif(NOT PKG_CONFIG_FOUND)
    set(how "pkg-config, which finds it, is missing too: apt-get install pkg-config ${package}")
  else()
    set(how "Install it: apt-get install ${package}")
  endif()
  set(${out} "${how}" PARENT_SCOPE)
endfunction()

# pelgra_find_dependency(<NAME> <pkg-config module> <Debian package> <what needs it>
#                        [OPTIONAL] [OPTIONAL_ON_WINDOWS])
# Finds a library through pkg-config as PkgConfig::<NAME>, a target every folder sees,
# and sets <NAME>_FOUND. The first lookup that finds it says where; later ones take the
# same target. <what needs it> completes "building without ...". OPTIONAL_ON_WINDOWS:
# scripts/windows-deps.sh does not build it, so a Windows build may go without it.
function(pelgra_find_dependency name module package leaves_out)
  cmake_parse_arguments(PARSE_ARGV 4 arg "OPTIONAL;OPTIONAL_ON_WINDOWS" "" "")
  if(NOT TARGET PkgConfig::${name} AND PKG_CONFIG_FOUND)
    pkg_check_modules(${name} QUIET IMPORTED_TARGET GLOBAL ${module})
    if(${name}_FOUND)
      list(GET ${name}_LINK_LIBRARIES -1 library)
      message(STATUS "Pelgra: ${module} ${${name}_VERSION} found: ${library}")
    endif()
  endif()
  if(TARGET PkgConfig::${name})
    set(${name}_FOUND TRUE PARENT_SCOPE)
    return()
  endif()
  set(${name}_FOUND FALSE PARENT_SCOPE)
  set(optional "")
  if(arg_OPTIONAL OR (arg_OPTIONAL_ON_WINDOWS AND CMAKE_SYSTEM_NAME STREQUAL "Windows"))
    set(optional OPTIONAL)
  endif()
  pelgra_how_to_get(how ${package})
  pelgra_dependency_missing(${module} "${how}" "${leaves_out}" ${optional})
endfunction()

# GoogleTest, as GTest::gtest and GTest::gtest_main; sets GTest_FOUND. A cross build
# compiles Debian's copy of its sources, there being no GoogleTest for the target system.
function(pelgra_find_googletest leaves_out)
  if(CMAKE_CROSSCOMPILING)
    set(sources /usr/src/googletest)
    if(EXISTS ${sources}/CMakeLists.txt)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
      add_subdirectory(${sources} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      set(GTest_FOUND TRUE)
    endif()
    set(how "Install its sources, which a cross build compiles: apt-get install googletest")
  else()
    find_package(GTest QUIET)
    set(how "Install it: apt-get install libgtest-dev")
  endif()
  if(NOT GTest_FOUND)
    pelgra_dependency_missing(GoogleTest "${how}" "${leaves_out}")
  endif()
  set(GTest_FOUND ${GTest_FOUND} PARENT_SCOPE)
endfunction()

# Google Benchmark, as benchmark::benchmark; sets benchmark_FOUND.
function(pelgra_find_benchmark leaves_out)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    if(CMAKE_CROSSCOMPILING)
      set(how "None is built for the target system here: configure with -DPELGRA_BUILD_BENCH=OFF.")
    else()
      set(how "Install it: apt-get install libbenchmark-dev")
    endif()
    pelgra_dependency_missing("Google Benchmark" "${how}" "${leaves_out}")
  endif()
  set(benchmark_FOUND ${benchmark_FOUND} PARENT_SCOPE)
endfunction()
