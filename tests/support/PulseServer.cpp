#include "PulseServer.h"

#include "Environment.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
// A loaded machine may take seconds to start a server; past this, the tests skip.
constexpr auto kStartPatience = std::chrono::seconds(10);

void pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (std::string& string : strings) {
        result.push_back(string.data());
    }
    result.push_back(nullptr);
    return result;
}

// The last lines of the server's log, for the reason a test skips.
std::string tail(const std::string& file) {
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

} // namespace

ChildProcess::~ChildProcess() {
    stop(SIGKILL, 1000);
}

bool ChildProcess::start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extra, const std::string& input,
                         const std::string& output, const std::string& errors) {
    stop(SIGKILL, 1000);
    // Everything the child needs is made before the fork: after it, in a process with
    // other threads, only calls safe in a signal handler may run.
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = extra;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry); // the first of a name wins: `extra` overrides
    }
    std::vector<char*> argPointers = pointers(arguments);
    std::vector<char*> envPointers = pointers(environment);
    const std::string in = input.empty() ? "/dev/null" : input;
    const std::string out = output.empty() ? "/dev/null" : output;
    const std::string err = errors.empty() ? "/dev/null" : errors;

    const pid_t pid = fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL); // no server outlives a crashed test
        const int inFd = open(in.c_str(), O_RDONLY);
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (inFd < 0 || outFd < 0 || errFd < 0) {
            _exit(126);
        }
        dup2(inFd, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        execvpe(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    setpgid(pid, pid); // also here, so that a signal sent at once reaches the group
    m_pid = pid;
    return true;
}

void ChildProcess::signal(int number) const {
    if (m_pid > 0) {
        ::kill(-m_pid, number);
    }
}

int ChildProcess::waitFor(int patienceMs) {
    if (m_pid <= 0) {
        return -1;
    }
    const auto giveUp = Clock::now() + std::chrono::milliseconds(patienceMs);
    do {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return status;
        }
        pause(5);
    } while (Clock::now() < giveUp);
    return -1;
}

int ChildProcess::stop(int number, int patienceMs) {
    if (m_pid <= 0) {
        return -1;
    }
    signal(number);
    signal(SIGCONT); // a frozen child must run to act on the signal
    const int status = waitFor(patienceMs);
    if (m_pid > 0) {
        signal(SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    return status;
}

PulseServer::PulseServer() : m_folder("pulse"), m_socket(m_folder.path("native")) {
    std::filesystem::create_directories(m_folder.folder() / "home");
    std::filesystem::create_directories(m_folder.folder() / "runtime");
    // Clients (the library's SDL, pactl, parec) find this server only, and never start one
    // of their own when it is gone.
    std::ofstream(m_folder.path("client.conf")) << "autospawn = no\n";
    testenv::set("PULSE_SERVER", ("unix:" + m_socket).c_str());
    testenv::set("PULSE_CLIENTCONFIG", m_folder.path("client.conf").c_str());
    testenv::set("SDL_AUDIODRIVER", "pulseaudio");
}

PulseServer::~PulseServer() {
    m_keepFirst.stop(SIGKILL, 1000);
    m_keepSecond.stop(SIGKILL, 1000);
    m_server.stop(SIGKILL, 1000);
    testenv::unset("SDL_AUDIODRIVER");
    testenv::unset("PULSE_CLIENTCONFIG");
    testenv::unset("PULSE_SERVER");
}

bool PulseServer::answers(const std::string& socketPath) const {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

bool PulseServer::start() {
    const std::string home = m_folder.path("home");
    const std::string runtime = m_folder.path("runtime");
    const std::string log = m_folder.path("server.log");
    // A null sink renders nothing for its first two seconds (it starts with its longest
    // latency and wakes only when that has passed), and a stream that finds it so looks
    // lost. The server starts on a socket of its own, and takes the clients' path only
    // once its sinks run, as a real server's sinks do at once.
    const std::string staging = m_socket + ".starting";
    std::filesystem::remove(staging);
    const std::string sink = "module-null-sink rate=" + std::to_string(kRate) + " sink_name=";
    // Running as root draws a warning, no refusal.
    const bool started = m_server.start(
        {"pulseaudio", "-n", "--daemonize=no", "--system=no", "--use-pid-file=no",
         "--exit-idle-time=-1", "--disable-shm=yes", "--log-target=stderr", "-L", sink + "first",
         "-L", sink + "second", "-L",
         "module-native-protocol-unix auth-anonymous=1 socket=" + staging},
        {"HOME=" + home, "XDG_RUNTIME_DIR=" + runtime, "PULSE_RUNTIME_PATH=" + runtime,
         "PULSE_STATE_PATH=" + m_folder.path("state")},
        "", "", log);
    if (!started) {
        m_why = "cannot start a process for pulseaudio";
        return false;
    }
    const auto giveUp = Clock::now() + kStartPatience;
    while (!answers(staging)) {
        const int status = m_server.waitFor(0);
        if (status != -1) {
            m_why = WIFEXITED(status) && WEXITSTATUS(status) == 127
                        ? "pulseaudio is not installed (scripts/install-deps.sh installs it)"
                        : "pulseaudio stopped at once: " + tail(log);
            return false;
        }
        if (Clock::now() > giveUp) {
            m_server.stop(SIGKILL, 1000);
            m_why = "pulseaudio did not answer within 10 s: " + tail(log);
            return false;
        }
        pause(10);
    }
    // A quiet steady stream on each sink holds it at a short latency: without one, an
    // idle null sink lets a stream buffer seconds ahead.
    const std::string server = "PULSE_SERVER=unix:" + staging;
    const auto keep = [&](ChildProcess& child, const std::string& name) {
        return child.start({"pacat", "--playback", "--raw", "--format=s16le",
                            "--rate=" + std::to_string(kRate), "--channels=2", "--latency-msec=20",
                            "--device=" + name},
                           {server}, "/dev/zero", "", "");
    };
    if (!keep(m_keepFirst, "first") || !keep(m_keepSecond, "second")) {
        m_why = "cannot start pacat (pulseaudio-utils)";
        return false;
    }
    for (const char* name : {"first", "second"}) {
        while (recordFrom(server, name, 100).size() < 2 * kRate / 20) {
            if (Clock::now() > giveUp) {
                m_server.stop(SIGKILL, 1000);
                m_why = std::string("the sink ") + name + " did not run within 10 s";
                return false;
            }
        }
    }
    std::filesystem::rename(staging, m_socket);
    return true;
}

void PulseServer::kill() {
    m_server.signal(SIGKILL);
    m_server.waitFor(2000);
    m_keepFirst.stop(SIGKILL, 1000);
    m_keepSecond.stop(SIGKILL, 1000);
}

void PulseServer::freeze() const {
    m_server.signal(SIGSTOP);
}

void PulseServer::thaw() const {
    m_server.signal(SIGCONT);
}

bool PulseServer::control(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess pactl;
    if (!pactl.start(argv, {}, "", "", "")) {
        return false;
    }
    const int status = pactl.waitFor(5000);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool PulseServer::setDefaultSink(const std::string& sink) const {
    return control({"set-default-sink", sink});
}

std::vector<float> PulseServer::record(const std::string& sink, int milliseconds) const {
    return recordFrom("PULSE_SERVER=unix:" + m_socket, sink, milliseconds);
}

std::vector<float> PulseServer::recordFrom(const std::string& server, const std::string& sink,
                                           int milliseconds) const {
    const std::string file = m_folder.path("recorded-" + sink + ".raw");
    ChildProcess parec;
    if (!parec.start({"parec", "--raw", "--format=float32le", "--rate=" + std::to_string(kRate),
                      "--channels=2", "--latency-msec=10", "--device=" + sink + ".monitor"},
                     {server}, "", file, "")) {
        return {};
    }
    pause(milliseconds);
    parec.stop(SIGTERM, 1000);
    const std::vector<unsigned char> bytes = readBytes(file);
    std::vector<float> frames(bytes.size() / sizeof(float));
    if (!frames.empty()) {
        std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
    }
    return frames;
}

} // namespace testsupport
