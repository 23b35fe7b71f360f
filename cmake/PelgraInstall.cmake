# Installs the three libraries with versioned sonames, the public headers, the player,
# a CMake package (find_package(PelgraSoundEngine CONFIG) -> Pelgra::SoundEngine) and a
# pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(pelgra_libraries PelgraSoundEngine PelgraAudio PelgraSDK)
set_target_properties(PelgraSoundEngine PROPERTIES EXPORT_NAME SoundEngine)
set_target_properties(PelgraAudio PROPERTIES EXPORT_NAME Audio)
set_target_properties(PelgraSDK PROPERTIES EXPORT_NAME SDK)
foreach(library IN LISTS pelgra_libraries)
  target_include_directories(${library} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # The engine finds the audio and utility libraries beside itself.
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
endforeach()

install(TARGETS ${pelgra_libraries}
  EXPORT PelgraSoundEngineTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

include(${CMAKE_CURRENT_LIST_DIR}/PelgraInstallHeaders.cmake)

if(TARGET pelgra-play)
  set_target_properties(pelgra-play PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS pelgra-play RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/PelgraSoundEngine)
install(EXPORT PelgraSoundEngineTargets NAMESPACE Pelgra:: DESTINATION ${package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/PelgraSoundEngineConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngineConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngineConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
    ${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngineConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngineConfigVersion.cmake
  DESTINATION ${package_dir})

configure_file(${CMAKE_CURRENT_LIST_DIR}/PelgraSoundEngine.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngine.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/PelgraSoundEngine.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
