// What the listener asks for while sound plays: keys on a terminal, and Ctrl-C (or a
// termination request) anywhere.
#ifndef PELGRA_PLAY_CONTROLS_H
#define PELGRA_PLAY_CONTROLS_H

#include <memory>

namespace pelgra::play {

enum class ControlRequest {
    None,
    TogglePause, // space
    Next,        // n: on to the next file
    Stop,        // q, Ctrl-C, or a termination signal
};

// While it lives: the terminal (or Windows console), when reading keys, delivers each key
// at once without echo, and Ctrl-C or a termination request asks for a stop instead of
// ending the process. Both are restored when it goes, also when playing ends by an
// exception. ControlsPosix.cpp and ControlsWindows.cpp hold what differs by platform.
class Controls {
public:
    // readKeys: read keys from standard input when that is a terminal.
    explicit Controls(bool readKeys);
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // The next request; None when there is none.
    ControlRequest poll();

private:
    struct Saved; // the terminal's settings and stop handlers from before
    std::unique_ptr<Saved> m_saved;
};

// The request a key stands for.
ControlRequest requestForKey(char key);

// The signal (SIGINT, SIGTERM) that asked the last Controls for a stop; 0 when none did.
int stopSignal();

// Whether standard output is a terminal on which the status line can be redrawn in place.
bool outputCanRedraw();

} // namespace pelgra::play

#endif
