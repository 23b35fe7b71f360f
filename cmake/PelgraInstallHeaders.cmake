# Installs the public headers: the engine's, the audio library's and the utility library's.
include(GNUInstallDirs)
install(FILES
    ${PROJECT_SOURCE_DIR}/include/PelgraSoundEngine.h
    ${PROJECT_SOURCE_DIR}/include/PelgraEngineExport.h
    ${PROJECT_SOURCE_DIR}/audio/include/PelgraAudio.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/shared/include/PelgraSDK
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
