// The command line: what to do, with which files, and how.
#ifndef PELGRA_PLAY_OPTIONS_H
#define PELGRA_PLAY_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

namespace pelgra::play {

enum class Mode {
    Help,    // print the usage
    Version, // print the version
    Info,    // describe each file without playing it
    Play,    // play each file in turn
    Demo,    // play the built-in demo
};

struct Options {
    Mode mode = Mode::Play;
    std::vector<std::string> files;
    bool loop = false;                 // loop sound effects
    std::optional<int> volume;         // effects master volume; the engine's own when unset
    std::optional<int> musicVolume;    // songs' volume; the library's full level when unset
    int rate = 48000;                  // mixing rate, Hz
    int voices = 32;                   // sound-effect voices
    std::optional<double> seconds;     // stop each file (or the demo) after this long
    std::optional<std::string> render; // mix offline into this sound file instead of the device
};

// Reads the arguments after the program name. Throws UsageError for an unknown option,
// a missing or malformed value, or a combination that cannot work.
Options parseOptions(const std::vector<std::string>& args);

// Throws UsageError when the options contradict each other or a value is out of range.
void validate(const Options& options);

// The text that --help prints.
std::string usageText();

} // namespace pelgra::play

#endif
