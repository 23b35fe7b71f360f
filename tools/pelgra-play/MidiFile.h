// The facts --info and the offline renderer need from a Standard MIDI file, read from
// its bytes: the music library plays MIDI, but tells nothing about it.
#ifndef PELGRA_PLAY_MIDI_FILE_H
#define PELGRA_PLAY_MIDI_FILE_H

#include <optional>
#include <string>

namespace pelgra::play {

struct MidiFacts {
    int type = 0;         // 0 one track, 1 parallel tracks, 2 separate sequences
    int tracks = 0;       // track chunks
    int channelsUsed = 0; // MIDI channels that play at least one note
    double seconds = 0.0; // from the start to the end of the longest track
};

// Reads bytes as a Standard MIDI file; nullopt when they are not one or are cut short.
std::optional<MidiFacts> readMidiFacts(const std::string& bytes);

} // namespace pelgra::play

#endif
