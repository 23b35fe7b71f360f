// The sdl output on a real sound server of the test's own (PulseAudio through SDL2's
// pulseaudio driver): the mix goes on at real time while the server is gone, comes back
// by itself when it returns, follows a new default sink, and no call waits on a frozen
// server. The bounds are the promised figures, loose for a loaded machine.
#include "MixingRate.h"
#include "PelgraAudio.h"
#include "PulseServer.h"
#include "SignalMeasures.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kRate = 48000;
constexpr double kTone = 1000.0;

PelgraAudioOutputState outputState() {
    PelgraAudioOutputState state{};
    EXPECT_EQ(PelgraAudio_GetOutputState(&state), 1);
    return state;
}

// Polls `condition` every 10 ms until it holds or `patience` has passed.
bool within(milliseconds patience, const std::function<bool()>& condition) {
    const auto giveUp = Clock::now() + patience;
    while (!condition()) {
        if (Clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

class DeviceRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_server.start()) {
            GTEST_SKIP() << "no sound server for the test: " << m_server.why();
        }
    }

    void TearDown() override {
        FSOUND_Close();
        PelgraAudio_SetOutput(nullptr);
    }

    // Starts the library on the server's default sink and loops a 1 kHz sine at half scale.
    void startLoopingTone() {
        ASSERT_EQ(PelgraAudio_SetOutput("sdl"), 1);
        ASSERT_EQ(FSOUND_Init(kRate, 8, 0), 1) << PelgraAudio_GetError();
        const std::string file = m_files.writeSine("tone.wav", testsupport::Sine{});
        FSOUND_SAMPLE* sample =
            FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_LOOP_NORMAL, 0, 0);
        ASSERT_NE(sample, nullptr);
        ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    }

    // Whether `sink` plays the looping tone within `patience`, from short recordings of it.
    bool hearsTone(const std::string& sink, milliseconds patience) {
        return within(patience, [&] {
            const std::vector<float> heard = m_server.record(sink, 300);
            return heard.size() >= 2 * kRate / 10 && measure::peak(heard, 0) > 0.4f &&
                   std::abs(measure::frequency(heard, 0, kRate) - kTone) < 10.0;
        });
    }

    bool lost() { return outputState().connected == 0; }
    bool connected() { return outputState().connected == 1; }

    testsupport::PulseServer m_server;
    testsupport::ScratchFolder m_files;
};

// The server goes: the mix keeps the library's own clock. It comes back: the loop is heard
// on it again, the game having done nothing.
TEST_F(DeviceRecoveryTest, ALostServerKeepsTheClockAndAReturningOnePlaysTheLoopAgain) {
    startLoopingTone();
    ASSERT_TRUE(hearsTone("first", milliseconds(5000)));
    EXPECT_TRUE(connected());
    EXPECT_STRNE(outputState().device, "");

    m_server.kill();
    ASSERT_TRUE(within(milliseconds(2000), [&] { return lost(); }));
    EXPECT_NEAR(measure::mixingRate(milliseconds(2000)), kRate, kRate * 0.01);
    PelgraAudioOutputState state = outputState();
    EXPECT_EQ(state.losses, 1u);
    EXPECT_EQ(state.reopens, 0u);
    EXPECT_STREQ(state.device, "");

    ASSERT_TRUE(m_server.start()) << m_server.why();
    EXPECT_TRUE(within(milliseconds(2000), [&] { return connected(); }));
    EXPECT_TRUE(hearsTone("first", milliseconds(2000)));
    state = outputState();
    EXPECT_EQ(state.losses, 1u);
    EXPECT_EQ(state.reopens, 1u);
    EXPECT_STRNE(state.device, "");
}

TEST_F(DeviceRecoveryTest, TheStreamFollowsANewDefaultSink) {
    startLoopingTone();
    ASSERT_TRUE(hearsTone("first", milliseconds(5000)));

    ASSERT_TRUE(m_server.setDefaultSink("second"));
    EXPECT_TRUE(hearsTone("second", milliseconds(2000)));
    EXPECT_TRUE(connected());
}

TEST_F(DeviceRecoveryTest, WithoutAServerInitFailsAtOnceAndLaterWorks) {
    m_server.kill();
    ASSERT_EQ(PelgraAudio_SetOutput("sdl"), 1);
    const auto start = Clock::now();
    EXPECT_EQ(FSOUND_Init(kRate, 8, 0), 0);
    EXPECT_LT(Clock::now() - start, milliseconds(1500));

    ASSERT_TRUE(m_server.start()) << m_server.why();
    startLoopingTone();
    EXPECT_TRUE(hearsTone("first", milliseconds(2000)));
}

TEST_F(DeviceRecoveryTest, CloseDoesNotWaitOnAFrozenServer) {
    startLoopingTone();
    ASSERT_TRUE(hearsTone("first", milliseconds(5000)));

    m_server.freeze();
    std::this_thread::sleep_for(milliseconds(200));
    const auto start = Clock::now();
    FSOUND_Close();
    EXPECT_LT(Clock::now() - start, milliseconds(1500));
    m_server.thaw();
}

} // namespace
