// What can go wrong in the player, and the exit status each failure ends with.
#ifndef PELGRA_PLAY_ERRORS_H
#define PELGRA_PLAY_ERRORS_H

#include <stdexcept>

namespace pelgra::play {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFailure = 1,     // a file could not be read or written, or playing failed
    kExitUsage = 2,       // the command line is wrong
    kExitNoDevice = 3,    // the audio device could not be opened
    kExitSignalled = 128, // plus the number of the signal that stopped the run
};

// The command line asks for something the player does not do.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A file, the engine or the output failed while doing what was asked.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The sound device cannot be opened; rendering to a file still works.
struct DeviceUnavailable : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace pelgra::play

#endif
