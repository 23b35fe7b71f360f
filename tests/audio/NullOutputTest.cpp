// The null output mixes on a thread of the library, in real time.
#include "PelgraAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
    FSOUND_Close();
    PelgraAudio_SetOutput(nullptr);
}

} // namespace
