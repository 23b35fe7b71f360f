// A file given on the command line, as a programme for the player.
#ifndef PELGRA_PLAY_FILE_PROGRAMME_H
#define PELGRA_PLAY_FILE_PROGRAMME_H

#include "Options.h"
#include "Player.h"

#include <string>

namespace pelgra::play {

// One sound started at once. It lasts --seconds when given; otherwise an effect that
// does not loop lasts its own length, and so does one pass of a song being rendered,
// while anything else plays until stopped. The engine must be running: the file is
// loaded to see what it is. Throws Failure when the file is missing or holds nothing the
// player knows.
Programme programmeForFile(const std::string& path, const Options& options);

} // namespace pelgra::play

#endif
