// Plays programmes: sounds loaded into the engine, started at set times, for a set time
// or until the listener stops them.
#ifndef PELGRA_PLAY_PLAYER_H
#define PELGRA_PLAY_PLAYER_H

#include "PelgraAudio.h"

#include <optional>
#include <string>
#include <vector>

namespace pelgra::play {

class Controls;
class Output;
class StatusLine;

struct SoundFile {
    std::string path;
    bool loop = false; // for effects
    bool song = false; // loaded as a song (module, MIDI or streamed recording), not an effect
};

struct Cue {
    double at = 0.0;       // seconds from the start of the programme
    std::size_t sound = 0; // index into Programme::sounds
};

struct Programme {
    std::string title;
    std::vector<SoundFile> sounds;
    std::vector<Cue> cues;         // in time order
    std::optional<double> seconds; // how long it plays; unset: until stopped
    // At the end, stop what still sounds (a time limit), rather than let it ring out.
    bool cut = false;
    std::optional<double> length; // the length to show: one pass of the sound
    // It is one song: the time shown is its place in its file, not the time played.
    bool showsPlaceInFile = false;
};

enum class Ending {
    Finished, // it played for as long as it lasts
    Skipped,  // the listener went on to the next one
    Stopped,  // the listener stopped it
};

class Player {
public:
    // status: where to show progress; nullptr to show none. voices: the voices the
    // engine was started with, for the status.
    Player(Output& output, Controls& controls, StatusLine* status, int voices);

    // Loads the programme's sounds, plays it, and frees them. Throws Failure when a
    // sound cannot be loaded.
    Ending play(const Programme& programme);

private:
    Output& m_output;
    Controls& m_controls;
    StatusLine* m_status;
    int m_voices;
    // The output's state at the last look, to tell the listener when the device changes.
    PelgraAudioOutputState m_device{};
};

} // namespace pelgra::play

#endif
