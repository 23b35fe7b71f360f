// The player's console on Windows: raw keys through the console's input events, stops
// through its control handler (Ctrl-C, Ctrl-Break, closing the window), and the status
// line redrawn through the console's terminal sequences where it understands them.
#include "Controls.h"

#include <atomic>
#include <csignal>
#include <optional>

#include <windows.h>

namespace pelgra::play {

namespace {

// The control handler runs on a thread of its own.
std::atomic<bool> g_stopRequested{false};

BOOL WINAPI requestStop(DWORD /*event*/) {
    g_stopRequested = true;
    return TRUE;
}

} // namespace

struct Controls::Saved {
    std::optional<DWORD> inputMode; // set while keys are read from the console
};

Controls::Controls(bool readKeys) : m_saved(std::make_unique<Saved>()) {
    g_stopRequested = false;
    SetConsoleCtrlHandler(requestStop, TRUE);

    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (readKeys && GetConsoleMode(input, &mode) != 0) {
        m_saved->inputMode = mode;
        // Keys arrive one by one and unechoed; Ctrl-C still reaches the handler.
        SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) |
                                  ENABLE_PROCESSED_INPUT);
    }
}

Controls::~Controls() {
    if (m_saved->inputMode) {
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), *m_saved->inputMode);
    }
    SetConsoleCtrlHandler(requestStop, FALSE);
}

ControlRequest Controls::poll() {
    if (g_stopRequested) {
        return ControlRequest::Stop;
    }
    if (!m_saved->inputMode) {
        return ControlRequest::None;
    }
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(input, &waiting) != 0 && waiting > 0) {
        INPUT_RECORD record{};
        DWORD read = 0;
        if (ReadConsoleInputA(input, &record, 1, &read) == 0 || read == 0) {
            break;
        }
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown != 0) {
            const ControlRequest request = requestForKey(record.Event.KeyEvent.uChar.AsciiChar);
            if (request != ControlRequest::None) {
                return request;
            }
        }
    }
    return ControlRequest::None;
}

// Ctrl-C, Ctrl-Break and closing the window all count as an interrupt, as the C runtime
// reports them.
int stopSignal() {
    return g_stopRequested ? SIGINT : 0;
}

bool outputCanRedraw() {
    // The status line moves back with \r and clears with an ANSI sequence; consoles that
    // cannot take terminal sequences get plain lines.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode) == 0) {
        return false;
    }
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

} // namespace pelgra::play
