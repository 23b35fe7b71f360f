// The engine over the real audio library: an application's sound effects reach the
// mixer through CSoundFX, with the manual output and with SDL's dummy device.
#include "Environment.h"
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"
#include "SignalMeasures.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

std::string sineFile(const testsounds::ScratchFolder& folder) {
    testsounds::Sine sine;
    sine.sampleRate = 44100;
    return folder.writeSine("effect.wav", sine);
}

TEST(EnginePlaybackTest, SoundEffectsPlayThroughTheManualOutput) {
    testsounds::ScratchFolder folder;
    std::string file = sineFile(folder);
    ASSERT_EQ(PelgraAudio_SetOutput("manual"), 1);
    ASSERT_TRUE(InitializeSoundFXEngine(48000, 16));
    {
        CSoundFX effect;
        ASSERT_TRUE(effect.LoadFromFile(file.data(), false));
        effect.Play();
        std::vector<float> out(2 * 4800);
        ASSERT_EQ(PelgraAudio_Render(out.data(), 4800), 4800);
        EXPECT_NEAR(measure::peak(out, 0), 0.5f * 128 / 255, 0.005f) << "master volume 128";
        EXPECT_NEAR(measure::frequency(out, 0, 48000), 1000.0, 1.0);
    }
    ShutdownSoundFXEngine();
    PelgraAudio_SetOutput(nullptr);
}

TEST(EnginePlaybackTest, SoundEffectsPlayThroughSdlsDummyDevice) {
    ASSERT_EQ(testenv::set("SDL_AUDIODRIVER", "dummy"), 0);
    ASSERT_EQ(PelgraAudio_SetOutput("sdl"), 1);
    testsounds::ScratchFolder folder;
    std::string file = sineFile(folder);
    ASSERT_TRUE(InitializeSoundFXEngine(48000, 16));
    {
        CSoundFX effect;
        ASSERT_TRUE(effect.LoadFromFile(file.data(), true));
        effect.Play();
        // The device pulls in real time: wait, with a generous bound, until it has
        // mixed the effect for a while.
        PelgraAudioStats figures{};
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < giveUp) {
            PelgraAudio_GetStats(&figures);
            if (figures.framesMixed >= 9600 && figures.peakLeft > 0.0f) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_GE(figures.framesMixed, 9600u);
        EXPECT_GT(figures.bufferFrames, 0u);
        EXPECT_EQ(figures.voicesInUse, 1);
        EXPECT_NEAR(figures.peakLeft, 0.5f * 128 / 255, 0.01f);
    }
    ShutdownSoundFXEngine();
    PelgraAudio_SetOutput(nullptr);
}

} // namespace
