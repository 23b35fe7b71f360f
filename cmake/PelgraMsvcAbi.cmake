# The build tree of the Microsoft-ABI toolchain (cmake/toolchains/clang-msvc-x86_64.cmake):
# the engine and the utility library only. The audio library's interface is plain C, which
# both ABIs call alike, so the engine imports the DLL of a MinGW-w64 build tree.
set(PELGRA_MINGW_BUILD_DIR ${PROJECT_SOURCE_DIR}/build-mingw CACHE PATH
    "The MinGW-w64 build tree whose audio DLL the Microsoft-ABI engine imports")
set(mingw_audio_dll ${PELGRA_MINGW_BUILD_DIR}/bin/libPelgraAudio.dll)
if(NOT EXISTS ${mingw_audio_dll})
  message(FATAL_ERROR "No audio library in ${PELGRA_MINGW_BUILD_DIR}: build the MinGW-w64 tree "
                      "first (make test-windows), or point PELGRA_MINGW_BUILD_DIR at one")
endif()
message(STATUS "Audio library imported from the MinGW-w64 build: ${mingw_audio_dll}")

# Microsoft's linker wants an import library in its own format: written from the audio
# library's export list, which the MinGW build checks against its DLL.
get_filename_component(audio_dll_name ${mingw_audio_dll} NAME)
file(STRINGS ${PROJECT_SOURCE_DIR}/tests/exports/PelgraAudio.exports audio_exports
     REGEX "^[A-Za-z_]")
list(JOIN audio_exports "\n" audio_exports)
set(audio_def ${CMAKE_BINARY_DIR}/PelgraAudio.def)
set(audio_import_lib ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/PelgraAudio.lib)
file(WRITE ${audio_def} "LIBRARY ${audio_dll_name}\nEXPORTS\n${audio_exports}\n")
file(MAKE_DIRECTORY ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY})
execute_process(
  COMMAND llvm-dlltool -m i386:x86-64 -d ${audio_def} -l ${audio_import_lib}
  RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "llvm-dlltool could not write ${audio_import_lib}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/tests/exports/PelgraAudio.exports)

add_library(PelgraAudio SHARED IMPORTED)
set_target_properties(PelgraAudio PROPERTIES
  IMPORTED_IMPLIB ${audio_import_lib}
  IMPORTED_LOCATION ${mingw_audio_dll}
  INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/audio/include)

add_subdirectory(msvc-runtime)
# Every module built from here on carries its own copy of the runtime stand-ins.
link_libraries(PelgraMsvcRuntime)

add_subdirectory(sdk)
add_subdirectory(shared)
add_subdirectory(engine)

# The variant's folder: its DLLs with their debugging information, the import libraries
# in Microsoft's format (the audio library's too), the headers and a CMake package. The
# audio DLL and what it needs come from the MinGW build.
if(PELGRA_INSTALL)
  install(TARGETS PelgraSoundEngine PelgraSDK RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
  install(FILES $<TARGET_PDB_FILE:PelgraSoundEngine> $<TARGET_PDB_FILE:PelgraSDK> DESTINATION bin)
  install(FILES ${audio_import_lib} DESTINATION lib)
  include(cmake/PelgraInstallHeaders.cmake)
  include(CMakePackageConfigHelpers)
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/PelgraSoundEngineConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/PelgraSoundEngineMsvcConfig.cmake
    DESTINATION lib/cmake/PelgraSoundEngine RENAME PelgraSoundEngineConfig.cmake)
  install(FILES ${CMAKE_BINARY_DIR}/PelgraSoundEngineConfigVersion.cmake
    DESTINATION lib/cmake/PelgraSoundEngine)
endif()

if(PELGRA_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/msvc)
endif()
