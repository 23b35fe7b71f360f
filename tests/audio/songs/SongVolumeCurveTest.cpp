// A song's volume as the audio thread follows it, frame by frame: the equal-power curve
// between any two volumes, and requests that replace one another before a mix.
#include "song/SongVolume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using pelgra::audio::SongVolume;

// The gains of the next `frames` frames: the volume applied to frames of 1.
std::vector<float> gains(SongVolume& volume, int frames) {
    const std::vector<float> ones(static_cast<std::size_t>(2 * frames), 1.0f);
    std::vector<float> out(ones.size(), 0.0f);
    volume.mix(out.data(), ones.data(), frames, 1.0f, 0.0f);
    std::vector<float> left;
    left.reserve(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        left.push_back(out[static_cast<std::size_t>(2 * i)]);
    }
    return left;
}

TEST(SongVolumeCurve, FadesMoveAlongTheSineOfALinearAngleBetweenAnyTwoVolumes) {
    SongVolume rising;
    SongVolume falling;
    rising.set(0);
    rising.take(false);
    constexpr int kFrames = 3000; // not a multiple of the chunks gains are worked out in
    rising.fade(255, kFrames, false);
    falling.fade(0, kFrames, false);
    rising.take(true);
    falling.take(true);
    const std::vector<float> up = gains(rising, kFrames + 100);
    const std::vector<float> down = gains(falling, kFrames + 100);
    for (int i = 0; i < kFrames; ++i) {
        const double angle = std::asin(1.0) * (i + 1) / kFrames;
        ASSERT_NEAR(up[i], std::sin(angle), 1e-6) << "frame " << i;
        ASSERT_NEAR(up[i] * up[i] + down[i] * down[i], 1.0, 1e-5) << "frame " << i;
    }
    EXPECT_EQ(up[kFrames - 1], 1.0f);
    EXPECT_EQ(down.back(), 0.0f);

    // From 100 to 200, and back down to 50 from wherever the first got to.
    SongVolume some;
    some.set(100);
    some.take(false);
    some.fade(200, 1000, false);
    some.take(true);
    const std::vector<float> first = gains(some, 500);
    const double from = std::asin(100.0 / 255.0);
    const double to = std::asin(200.0 / 255.0);
    for (int i = 0; i < 500; ++i) {
        ASSERT_NEAR(first[i], std::sin(from + (to - from) * (i + 1) / 1000.0), 1e-6);
    }
    some.fade(50, 400, false);
    some.take(true);
    const std::vector<float> second = gains(some, 400);
    const double heard = std::asin(static_cast<double>(first.back()));
    EXPECT_NEAR(second[0], std::sin(heard + (std::asin(50.0 / 255.0) - heard) / 400.0), 1e-6);
    EXPECT_NEAR(second.back(), 50.0f / 255.0f, 1e-7);
}

TEST(SongVolumeCurve, ReplacedRequestsKeepAVolumeSetWhileNotHeardAndStopsComeOnce) {
    // Set to silence and faded in before the audio thread looked: the fade starts silent.
    SongVolume volume;
    volume.set(0);
    volume.fade(255, 1000, false);
    EXPECT_FALSE(volume.take(false));
    EXPECT_LT(gains(volume, 1)[0], 0.01f);

    // Heard, a volume set glides from the level heard instead.
    SongVolume heard;
    heard.set(0);
    heard.take(true);
    EXPECT_GT(gains(heard, 1)[0], 0.99f);

    // A fade that stops the song says so when taken and once at its end.
    SongVolume stopping;
    stopping.fade(0, 500, true);
    EXPECT_TRUE(stopping.take(true));
    gains(stopping, 499);
    EXPECT_FALSE(stopping.stopDue());
    EXPECT_EQ(gains(stopping, 1)[0], 0.0f);
    EXPECT_TRUE(stopping.stopDue());
    EXPECT_FALSE(stopping.stopDue());

    // A start while it fades calls the stop off and brings back the volume set before.
    SongVolume restarted;
    restarted.set(200);
    restarted.take(false);
    restarted.fade(0, 500, true);
    restarted.take(true);
    gains(restarted, 250);
    restarted.playing();
    EXPECT_FALSE(restarted.take(true));
    gains(restarted, 1000);
    EXPECT_FALSE(restarted.stopDue());
    EXPECT_EQ(gains(restarted, 1)[0], 200.0f / 255.0f);
}

} // namespace
