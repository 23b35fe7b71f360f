// The demo's song, composed here and written as a ProTracker module.
#ifndef PELGRA_PLAY_DEMO_SONG_H
#define PELGRA_PLAY_DEMO_SONG_H

#include <string>

namespace pelgra::play {

// Writes the song to path. Throws Failure when the file cannot be written.
void writeDemoSong(const std::string& path);

} // namespace pelgra::play

#endif
