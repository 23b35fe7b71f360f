// Runs the built player as a user would, in a folder of its own, and reads back what it
// wrote.
#ifndef PELGRA_TESTS_PLAYER_RUN_H
#define PELGRA_TESTS_PLAYER_RUN_H

#include <filesystem>
#include <string>
#include <vector>

struct PlayerRun {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs "pelgra-play ARGS" in folder with SDL_AUDIODRIVER and PELGRA_AUDIO_OUTPUT unset.
// launcher comes first: VAR=value assignments, then perhaps a command that runs the
// player. Arguments go through the shell.
PlayerRun runPlayer(const std::filesystem::path& folder, const std::string& args,
                    const std::string& launcher = "");

struct WavFacts {
    long long frames = 0;
    int rate = 0;
    int channels = 0;
    int subtype = 0;             // libsndfile's SF_FORMAT_* subtype
    std::vector<double> samples; // interleaved

    // Levels of one channel over frames [from, to); to -1 for the end.
    double peak(int channel, long long from = 0, long long to = -1) const;
    double rms(int channel, long long from = 0, long long to = -1) const;
};

// Reads a sound file back; frames stays 0 when it cannot be read.
WavFacts readWav(const std::filesystem::path& path);

#endif
