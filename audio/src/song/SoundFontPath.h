// Which SoundFont MIDI songs are played with.
#ifndef PELGRA_AUDIO_SOUND_FONT_PATH_H
#define PELGRA_AUDIO_SOUND_FONT_PATH_H

#include <filesystem>
#include <string>

namespace pelgra::audio {

// The first of: the file $PELGRA_SOUNDFONT names, when it is set (the user's choice,
// kept even when it cannot be loaded); soundfonts/default.sf2 in `libraryFolder`, where a
// game ships its own beside the library; on Linux, the General MIDI SoundFont of the
// timgm6mb-soundfont package. Empty when there is none of these.
std::string soundFontPath(const std::filesystem::path& libraryFolder);

} // namespace pelgra::audio

#endif
