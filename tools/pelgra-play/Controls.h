// What the listener asks for while sound plays: keys on a terminal, and Ctrl-C (or a
// termination request) anywhere.
#ifndef PELGRA_PLAY_CONTROLS_H
#define PELGRA_PLAY_CONTROLS_H

#include <optional>

#include <signal.h>
#include <termios.h>

namespace pelgra::play {

enum class Command {
    None,
    TogglePause, // space
    Next,        // n: on to the next file
    Stop,        // q, Ctrl-C, or a termination signal
};

// While it lives: the terminal, when reading keys, delivers each key at once without
// echo, and SIGINT and SIGTERM ask for a stop instead of ending the process. Both are
// restored when it goes, also when playing ends by an exception.
class Controls {
public:
    // readKeys: read keys from standard input when that is a terminal.
    explicit Controls(bool readKeys);
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // The next request; None when there is none.
    Command poll();

private:
    std::optional<termios> m_savedTerminal;
    struct sigaction m_savedInterrupt {};
    struct sigaction m_savedTerminate {};
};

// The command a key stands for.
Command commandForKey(char key);

// The signal (SIGINT, SIGTERM) that asked the last Controls for a stop; 0 when none did.
int stopSignal();

} // namespace pelgra::play

#endif
