// A PulseAudio server of the test's own (Linux): a child process with a runtime folder of
// its own, anonymous access on a private socket and two null sinks, "first" (the default)
// and "second". The test process is pointed at it (PULSE_SERVER, SDL_AUDIODRIVER), and
// what a sink plays is recorded through its monitor. Every wait is bounded; every child
// runs in a process group of its own, killed when the object goes.
#ifndef PELGRA_TESTS_SUPPORT_PULSE_SERVER_H
#define PELGRA_TESTS_SUPPORT_PULSE_SERVER_H

#include "TestSounds.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// A child process, the leader of its own process group; killed with its group when the
// object goes, or when the test process dies.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs argv[0] from PATH with the environment of the test process plus `extra`
    // ("NAME=value"), standard input from `input`, standard output to `output` and
    // standard error appended to `errors` (paths; "" for /dev/null). Returns false when
    // it could not start.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& extra,
               const std::string& input, const std::string& output, const std::string& errors);
    bool running() const { return m_pid > 0; }
    void signal(int number) const;
    // Sends `number`, waits up to `patienceMs` for the exit, then kills the group.
    // Returns the exit status as waitpid gives it, -1 when killed or not running.
    int stop(int number, int patienceMs);
    // Waits up to `patienceMs` for the exit; returns the status, -1 on time out.
    int waitFor(int patienceMs);

private:
    pid_t m_pid = -1;
};

class PulseServer {
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the server and, on each sink, a quiet steady stream, so that an idle null
    // sink runs in real time rather than buffering seconds ahead; clients reach it only
    // once both sinks run. Returns false and says why in why() when that takes longer
    // than a generous bound.
    bool start();
    const std::string& why() const { return m_why; }

    // Stops the server at once (SIGKILL), as a crash would; start() brings it back on the
    // same socket.
    void kill();
    void freeze() const;
    void thaw() const;

    // pactl with these arguments; true when it exits with 0 within a few seconds.
    bool control(const std::vector<std::string>& arguments) const;
    bool setDefaultSink(const std::string& sink) const;

    // Records `milliseconds` of what `sink` plays, as interleaved stereo floats at 48 kHz.
    std::vector<float> record(const std::string& sink, int milliseconds) const;

private:
    bool answers(const std::string& socketPath) const;
    // Records through the server named by `server` ("PULSE_SERVER=...").
    std::vector<float> recordFrom(const std::string& server, const std::string& sink,
                                  int milliseconds) const;

    ScratchFolder m_folder;
    std::string m_socket;
    std::string m_why;
    ChildProcess m_server;
    ChildProcess m_keepFirst;
    ChildProcess m_keepSecond;
};

} // namespace testsupport

#endif
