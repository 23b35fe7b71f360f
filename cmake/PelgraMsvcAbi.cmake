# The build tree of the Microsoft-ABI toolchain (cmake/toolchains/clang-msvc-x86_64.cmake):
# the engine and the utility library only. The audio library's interface is plain C, which
# both ABIs call alike, so the engine imports the DLL of a MinGW-w64 build tree.
set(PELGRA_MINGW_BUILD_DIR ${PROJECT_SOURCE_DIR}/build-mingw CACHE PATH
    "The MinGW-w64 build tree whose audio DLL the Microsoft-ABI engine imports")
set(mingw_audio_import ${PELGRA_MINGW_BUILD_DIR}/lib/libPelgraAudio.dll.a)
set(mingw_audio_dll ${PELGRA_MINGW_BUILD_DIR}/bin/libPelgraAudio.dll)
if(NOT EXISTS ${mingw_audio_import})
  message(FATAL_ERROR "No audio library in ${PELGRA_MINGW_BUILD_DIR}: build the MinGW-w64 tree "
                      "first (make test-windows), or point PELGRA_MINGW_BUILD_DIR at one")
endif()
message(STATUS "Audio library imported from the MinGW-w64 build: ${mingw_audio_dll}")

add_library(PelgraAudio SHARED IMPORTED)
set_target_properties(PelgraAudio PROPERTIES
  IMPORTED_IMPLIB ${mingw_audio_import}
  IMPORTED_LOCATION ${mingw_audio_dll}
  INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/audio/include)

add_subdirectory(msvc-runtime)
# Every module built from here on carries its own copy of the runtime stand-ins.
link_libraries(PelgraMsvcRuntime)

add_subdirectory(sdk)
add_subdirectory(shared)
add_subdirectory(engine)

if(PELGRA_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/msvc)
endif()
