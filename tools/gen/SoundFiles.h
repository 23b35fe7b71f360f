// Small valid sound and song files of every format the audio library plays, written by
// code: fuzz seeds and the soak test's good files, with no audio files in the repository.
#ifndef PELGRA_GEN_SOUND_FILES_H
#define PELGRA_GEN_SOUND_FILES_H

#include <string>
#include <vector>

namespace pelgra::gen {

// Writes a short tone in each sample format libsndfile can write here (WAV 16-bit mono
// and 24-bit stereo, float WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3), at rates other than
// the usual mixing rates so that loading resamples. Returns the paths written.
std::vector<std::string> writeSampleFiles(const std::string& directory);

// Writes the demo module and the demo MIDI tune. Returns the paths written.
std::vector<std::string> writeSongFiles(const std::string& directory);

} // namespace pelgra::gen

#endif
