// The player's terminal on POSIX systems: raw keys through termios, stops through
// SIGINT and SIGTERM.
#include "Controls.h"

#include <csignal>
#include <optional>

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace pelgra::play {

namespace {

// The signal that asked for a stop, 0 while none has.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void requestStop(int signal) {
    g_stopSignal = signal;
}

} // namespace

struct Controls::Saved {
    std::optional<termios> terminal;
    struct sigaction interrupt {};
    struct sigaction terminate {};
};

Controls::Controls(bool readKeys) : m_saved(std::make_unique<Saved>()) {
    g_stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_saved->interrupt);
    sigaction(SIGTERM, &action, &m_saved->terminate);

    termios terminal{};
    if (readKeys && isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &terminal) == 0) {
        m_saved->terminal = terminal;
        // Keys arrive one by one and unechoed; Ctrl-C still raises SIGINT.
        terminal.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        terminal.c_cc[VMIN] = 0;
        terminal.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal);
    }
}

Controls::~Controls() {
    if (m_saved->terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &*m_saved->terminal);
    }
    sigaction(SIGINT, &m_saved->interrupt, nullptr);
    sigaction(SIGTERM, &m_saved->terminate, nullptr);
}

ControlRequest Controls::poll() {
    if (g_stopSignal != 0) {
        return ControlRequest::Stop;
    }
    if (!m_saved->terminal) {
        return ControlRequest::None;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    char key = 0;
    while (::poll(&input, 1, 0) > 0 && read(STDIN_FILENO, &key, 1) == 1) {
        const ControlRequest request = requestForKey(key);
        if (request != ControlRequest::None) {
            return request;
        }
    }
    return ControlRequest::None;
}

int stopSignal() {
    return g_stopSignal;
}

bool outputCanRedraw() {
    return isatty(STDOUT_FILENO) != 0;
}

} // namespace pelgra::play
