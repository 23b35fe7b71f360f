// Cases that run the audio library with the manual output at 48 kHz: nothing mixes
// unless the test renders, so every result is deterministic.
#ifndef PELGRA_TESTS_AUDIO_MANUAL_AUDIO_TEST_H
#define PELGRA_TESTS_AUDIO_MANUAL_AUDIO_TEST_H

#include "PelgraAudio.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <vector>

class ManualAudioTest : public ::testing::Test {
protected:
    static constexpr int kRate = 48000;
    // The limiter's look-ahead delays the whole output by 2 ms: 96 frames at 48 kHz.
    static constexpr int kOutputDelay = 96;

    void SetUp() override { start(32); }
    void TearDown() override {
        FSOUND_Close();
        PelgraAudio_SetOutput(nullptr);
    }

    static void start(int voices) {
        FSOUND_Close();
        ASSERT_EQ(PelgraAudio_SetOutput("manual"), 1);
        ASSERT_EQ(FSOUND_Init(kRate, voices, 0), 1);
    }

    // Renders `frames` frames and returns them interleaved.
    static std::vector<float> render(int frames) {
        std::vector<float> out(static_cast<std::size_t>(2 * frames));
        EXPECT_EQ(PelgraAudio_Render(out.data(), frames), frames);
        return out;
    }

    FSOUND_SAMPLE* loadSine(const testsupport::Sine& sine, unsigned int mode = FSOUND_NORMAL) {
        const std::string file = m_folder.writeSine("sine.wav", sine);
        return FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), mode, 0, 0);
    }

    static PelgraAudioStats stats() {
        PelgraAudioStats figures{};
        PelgraAudio_GetStats(&figures);
        return figures;
    }

    testsupport::ScratchFolder m_folder;
};

#endif
