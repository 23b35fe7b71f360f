// The last step of the mix: clipped to full scale, exact below it, the peak of each side
// apart and kept over calls until taken, a frame left over after the pairs handled as
// the rest, a gain ramp applied before the clip, and a NaN passed on for the output's
// checks instead of being hidden as a full-scale sample.
#include "mixer/OutputClip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

using pelgra::audio::OutputClip;

// The peaks of the left and the right side since the previous look.
std::pair<float, float> takePeaks(OutputClip& clip) {
    float left = -1.0f;
    float right = -1.0f;
    clip.takePeaks(left, right);
    return {left, right};
}

TEST(OutputClip, ClampsEachSampleAndReportsEachSidesPeak) {
    OutputClip clip;
    // Five frames: two pairs and one left over, the loudest of each side in a
    // different place.
    const std::vector<float> in = {0.25f, -0.125f, 3.0f,   0.5f, -0.75f,
                                   -7.0f, 0.0f,    0.375f, 0.5f, 0.625f};
    std::vector<float> out(in.size(), 9.0f);
    clip.clip(in.data(), out.data(), 5);
    const std::vector<float> expected = {0.25f, -0.125f, 1.0f,   0.5f, -0.75f,
                                         -1.0f, 0.0f,    0.375f, 0.5f, 0.625f};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(takePeaks(clip), std::make_pair(1.0f, 1.0f));

    // Taken afresh, and over two calls: quiet on the left but for the frame left over
    // of the second, the right's peak in the first's second pair.
    const std::vector<float> quiet = {0.0f, 0.125f, -0.25f, 0.0f, 0.0f, -0.5f, 0.0f, 0.25f};
    clip.clip(quiet.data(), out.data(), 4);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 8), quiet);
    const std::vector<float> last = {0.75f, 0.0f, -0.125f, 0.0f, 0.0625f, 0.0f};
    clip.clip(last.data(), out.data(), 3);
    EXPECT_EQ(takePeaks(clip), std::make_pair(0.75f, 0.5f));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> damaged = {nan, 0.5f, 0.25f, nan};
    clip.clip(damaged.data(), out.data(), 2);
    EXPECT_TRUE(std::isnan(out[0]));
    EXPECT_TRUE(std::isnan(out[3]));
    EXPECT_EQ(takePeaks(clip), std::make_pair(0.25f, 0.5f));
}

TEST(OutputClip, ScalesEachFrameByTheRampBeforeClipping) {
    OutputClip clip;
    // Five frames under a gain from 2 down by 0.25 a frame: 2, 1.75, 1.5, 1.25, 1.
    const std::vector<float> in = {0.25f, -0.5f, 0.5f,   -0.25f, 0.5f,
                                   0.75f, 1.0f,  -0.25f, -2.0f,  0.875f};
    std::vector<float> out(in.size(), 9.0f);
    clip.clipScaled(in.data(), out.data(), 5, 2.0f, -0.25f);
    const std::vector<float> expected = {0.5f, -1.0f, 0.875f,   -0.4375f, 0.75f,
                                         1.0f, 1.0f,  -0.3125f, -1.0f,    0.875f};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(takePeaks(clip), std::make_pair(1.0f, 1.0f));
}

} // namespace
