// The null output mixes on a thread of the library, in real time, and makes up the time its
// thread was held up; a forked child of a process where it runs may close its copy of the
// library and start anew.
#include "DemoSongs.h"
#include "MixingRate.h"
#include "PelgraAudio.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#if !defined(_WIN32)
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

TEST(NullOutputTest, MixesOnItsOwnThreadUntilClosed) {
    ASSERT_EQ(PelgraAudio_SetOutput("null"), 1);
    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    PelgraAudioStats figures{};
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (figures.callbacks < 3 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        PelgraAudio_GetStats(&figures);
    }
    EXPECT_GE(figures.callbacks, 3u);
    EXPECT_EQ(figures.bufferFrames, 512u);
    EXPECT_EQ(figures.framesMixed % 512, 0u);
    std::vector<float> out(512);
    EXPECT_EQ(PelgraAudio_Render(out.data(), 256), 0) << "only the manual output renders on call";
    PelgraAudioOutputState state{1, 1, 1, "x"};
    EXPECT_EQ(PelgraAudio_GetOutputState(&state), 1);
    EXPECT_EQ(state.connected, 0) << "no device plays the mix";
    EXPECT_EQ(state.device[0], '\0');
    FSOUND_Close();
    PelgraAudio_SetOutput(nullptr);
}

#if !defined(_WIN32)
// The id of this process's thread named `name`, or 0.
pid_t threadNamed(const std::string& name) {
    DIR* tasks = opendir("/proc/self/task");
    pid_t found = 0;
    while (dirent* entry = tasks != nullptr ? readdir(tasks) : nullptr) {
        std::string comm;
        std::getline(std::ifstream(std::string("/proc/self/task/") + entry->d_name + "/comm"),
                     comm);
        if (comm == name) {
            found = static_cast<pid_t>(std::stoi(entry->d_name));
        }
    }
    if (tasks != nullptr) {
        closedir(tasks);
    }
    return found;
}

// A busy machine's stand-in: holds up the thread the signal lands on for 60 ms.
void holdUp(int /*signal*/) {
    const timespec pause{0, 60'000'000};
    nanosleep(&pause, nullptr);
}

// Mixing goes on at real time after the mixing thread was held up (three times 60 ms in
// a second): the lost time is made up, not dropped, so songs and sounds keep their pace.
TEST(NullOutputTest, MakesUpTheTimeItsThreadWasHeldUp) {
    ASSERT_EQ(PelgraAudio_SetOutput("null"), 1);
    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const pid_t mixThread = threadNamed("pelgra-mix");
    ASSERT_NE(mixThread, 0);
    struct sigaction hold {};
    hold.sa_handler = holdUp;
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGUSR1, &hold, &before), 0);

    const double rate = measure::mixingRate(std::chrono::milliseconds(1500), [&] {
        for (int stall = 0; stall < 3; ++stall) {
            syscall(SYS_tgkill, getpid(), mixThread, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    EXPECT_NEAR(rate, 48000, 48000 * 0.02);
    FSOUND_Close();
    sigaction(SIGUSR1, &before, nullptr);
    PelgraAudio_SetOutput(nullptr);
}

// In a forked child: starts the library anew on the manual output and plays the song
// from `songFile`; true when it is heard (its song worker runs in this process).
bool startsAnewAndPlays(const std::string& songFile) {
    if (PelgraAudio_SetOutput("manual") != 1 || FSOUND_Init(48000, 8, 0) != 1) {
        return false;
    }
    FMUSIC_MODULE* song = FMUSIC_LoadSong(songFile.c_str());
    FMUSIC_PlaySong(song);
    std::vector<float> out(2 * 12000);
    PelgraAudio_Render(out.data(), 12000);
    FSOUND_Close();
    return std::any_of(out.begin(), out.end(), [](float value) { return std::abs(value) > 0.05f; });
}

// The child's copy of the library holds threads (the null output's, the song worker's)
// that only the parent has: its close must not wait for them.
TEST(NullOutputTest, AForkedChildClosesItsCopyAndStartsAnew) {
    const testsupport::ScratchFolder folder("fork");
    const std::vector<std::uint8_t> bytes = pelgra::gen::makeDemoModule();
    const std::string songFile =
        folder.writeBytes("demo.mod", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    ASSERT_EQ(PelgraAudio_SetOutput("null"), 1);
    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    FMUSIC_MODULE* song = FMUSIC_LoadSong(songFile.c_str());
    ASSERT_NE(song, nullptr);
    FMUSIC_PlaySong(song);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(20); // a hang ends the child with SIGALRM
        FSOUND_Close();
        _exit(startsAnewAndPlays(songFile) ? 0 : 1);
    }
    int status = 0;
    pid_t ended = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended != child) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the child did not end";
    }
    ASSERT_TRUE(WIFEXITED(status))
        << "the child hung, in its close or its new run (ended by signal " << WTERMSIG(status)
        << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child could not play a song after starting anew";
    FSOUND_Close();
    PelgraAudio_SetOutput(nullptr);
}
#endif

} // namespace
