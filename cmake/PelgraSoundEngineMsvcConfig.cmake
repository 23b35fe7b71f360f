# The CMake package of the Microsoft-ABI folder: find_package(PelgraSoundEngine CONFIG)
# gives Pelgra::SoundEngine, which brings in Pelgra::Audio and Pelgra::SDK, as the MinGW-w64
# folder's package does. This folder joins DLLs of two builds (the audio DLL is the
# MinGW-w64 one, whose interface is plain C), so its targets are declared here rather than
# exported by either build.
get_filename_component(_pelgra_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET Pelgra::SoundEngine)
  foreach(_pelgra_name IN ITEMS Audio SDK SoundEngine)
    set(_pelgra_dll Pelgra${_pelgra_name}.dll)
    if(_pelgra_name STREQUAL "Audio")
      set(_pelgra_dll libPelgraAudio.dll) # MinGW-w64's naming
    endif()
    add_library(Pelgra::${_pelgra_name} SHARED IMPORTED)
    set_target_properties(Pelgra::${_pelgra_name} PROPERTIES
      IMPORTED_LOCATION "${_pelgra_prefix}/bin/${_pelgra_dll}"
      IMPORTED_IMPLIB "${_pelgra_prefix}/lib/Pelgra${_pelgra_name}.lib"
      INTERFACE_INCLUDE_DIRECTORIES "${_pelgra_prefix}/include")
  endforeach()
  set_property(TARGET Pelgra::SoundEngine PROPERTY INTERFACE_LINK_LIBRARIES Pelgra::Audio Pelgra::SDK)
endif()
unset(_pelgra_prefix)
unset(_pelgra_name)
unset(_pelgra_dll)
