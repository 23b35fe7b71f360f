#include "Controls.h"

#include <csignal>

#include <poll.h>
#include <unistd.h>

namespace pelgra::play {

namespace {

// The signal that asked for a stop, 0 while none has.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void requestStop(int signal) {
    g_stopSignal = signal;
}

} // namespace

Command commandForKey(char key) {
    switch (key) {
    case ' ':
        return Command::TogglePause;
    case 'n':
    case 'N':
        return Command::Next;
    case 'q':
    case 'Q':
        return Command::Stop;
    default:
        return Command::None;
    }
}

int stopSignal() {
    return g_stopSignal;
}

Controls::Controls(bool readKeys) {
    g_stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_savedInterrupt);
    sigaction(SIGTERM, &action, &m_savedTerminate);

    termios terminal{};
    if (readKeys && isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &terminal) == 0) {
        m_savedTerminal = terminal;
        // Keys arrive one by one and unechoed; Ctrl-C still raises SIGINT.
        terminal.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        terminal.c_cc[VMIN] = 0;
        terminal.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal);
    }
}

Controls::~Controls() {
    if (m_savedTerminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &*m_savedTerminal);
    }
    sigaction(SIGINT, &m_savedInterrupt, nullptr);
    sigaction(SIGTERM, &m_savedTerminate, nullptr);
}

Command Controls::poll() {
    if (g_stopSignal != 0) {
        return Command::Stop;
    }
    if (!m_savedTerminal) {
        return Command::None;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    char key = 0;
    while (::poll(&input, 1, 0) > 0 && read(STDIN_FILENO, &key, 1) == 1) {
        const Command command = commandForKey(key);
        if (command != Command::None) {
            return command;
        }
    }
    return Command::None;
}

} // namespace pelgra::play
