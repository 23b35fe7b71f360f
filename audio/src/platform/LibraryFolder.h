// Where this library was loaded from: the folder of the shared library (the DLL on
// Windows), or of the program when it is linked in whole. A game ships files the library
// looks for beside it there, as it ships the library itself.
#ifndef PELGRA_AUDIO_LIBRARY_FOLDER_H
#define PELGRA_AUDIO_LIBRARY_FOLDER_H

#include <filesystem>

namespace pelgra::audio {

// The folder, absolute; empty when the system does not tell.
std::filesystem::path libraryFolder();

} // namespace pelgra::audio

#endif
