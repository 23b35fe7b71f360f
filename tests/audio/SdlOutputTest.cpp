// The sdl output on SDL's own drivers: the disk driver, whose file holds what reached
// the device, and the system's default driver (in the tests, on a device that discards
// what it gets: ctest points ALSA at its null plugin).
#include "Environment.h"
#include "PelgraAudio.h"
#include "SignalMeasures.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int kRate = 48000;
constexpr unsigned long long kQuarterSecond = kRate / 4;

// Starts the sdl output, plays a looping 1 kHz sine at half scale and waits, with a
// generous bound, until the device has taken `frames` frames of it.
PelgraAudioStats playSineUntil(const testsupport::ScratchFolder& folder,
                               unsigned long long frames) {
    PelgraAudioStats figures{};
    EXPECT_EQ(PelgraAudio_SetOutput("sdl"), 1);
    if (FSOUND_Init(kRate, 8, 0) != 1) {
        ADD_FAILURE() << "the sdl output did not start";
        return figures;
    }
    const std::string file = folder.writeSine("sine.wav", testsupport::Sine{});
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_LOOP_NORMAL, 0, 0);
    EXPECT_NE(sample, nullptr);
    EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    PelgraAudioOutputState state{};
    EXPECT_EQ(PelgraAudio_GetOutputState(&state), 1);
    EXPECT_EQ(state.connected, 1);
    EXPECT_EQ(state.losses + state.reopens, 0u);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < giveUp) {
        PelgraAudio_GetStats(&figures);
        if (figures.framesMixed >= frames && figures.peakLeft > 0.0f) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    FSOUND_Close();
    PelgraAudio_SetOutput(nullptr);
    return figures;
}

TEST(SdlOutputTest, TheDiskDriverWritesTheMix) {
    testsupport::ScratchFolder folder;
    const std::string raw = folder.path("device.raw");
    ASSERT_EQ(testenv::set("SDL_AUDIODRIVER", "disk"), 0);
    ASSERT_EQ(testenv::set("SDL_DISKAUDIOFILE", raw.c_str()), 0);
    const PelgraAudioStats figures = playSineUntil(folder, kQuarterSecond);
    testenv::unset("SDL_DISKAUDIOFILE");
    testenv::unset("SDL_AUDIODRIVER");
    EXPECT_GE(figures.framesMixed, kQuarterSecond);

    // The driver writes the device's frames as they are: stereo 32-bit floats.
    const std::vector<unsigned char> bytes = testsupport::readBytes(raw);
    std::vector<float> frames(bytes.size() / sizeof(float));
    std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
    ASSERT_GE(frames.size(), static_cast<std::size_t>(2 * kRate / 4));
    EXPECT_NEAR(measure::peak(frames, 0), 0.5f, 0.01f);
    EXPECT_NEAR(measure::peak(frames, 1), 0.5f, 0.01f);
    EXPECT_NEAR(measure::frequency(frames, 0, kRate), 1000.0, 1.0);
}

TEST(SdlOutputTest, TheDefaultDriverPlays) {
    ASSERT_EQ(testenv::unset("SDL_AUDIODRIVER"), 0);
    testsupport::ScratchFolder folder;
    const PelgraAudioStats figures = playSineUntil(folder, kQuarterSecond);
    EXPECT_GE(figures.framesMixed, kQuarterSecond);
    EXPECT_GT(figures.callbacks, 1ull);
    EXPECT_NEAR(figures.peakLeft, 0.5f, 0.01f);
}

} // namespace
