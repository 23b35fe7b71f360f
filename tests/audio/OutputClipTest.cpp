// The last step of the mix: clipped to full scale, exact below it, the peak of each side
// apart, a frame left over after the pairs handled as the rest, and a NaN passed on for
// the output's checks instead of being hidden as a full-scale sample.
#include "mixer/OutputClip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using pelgra::audio::clipToOutput;

TEST(OutputClip, ClampsEachSampleAndReportsEachSidesPeak) {
    // Five frames: two pairs and one left over, the loudest of each side in a
    // different place.
    const std::vector<float> in = {0.25f, -0.125f, 3.0f,   0.5f, -0.75f,
                                   -7.0f, 0.0f,    0.375f, 0.5f, 0.625f};
    std::vector<float> out(in.size(), 9.0f);
    float left = -1.0f;
    float right = -1.0f;
    clipToOutput(in.data(), out.data(), 5, left, right);
    const std::vector<float> expected = {0.25f, -0.125f, 1.0f,   0.5f, -0.75f,
                                         -1.0f, 0.0f,    0.375f, 0.5f, 0.625f};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(left, 1.0f);
    EXPECT_EQ(right, 1.0f);

    // Quiet on the left but for the frame left over; the right's peak in the second pair.
    const std::vector<float> quiet = {0.0f,  0.125f, -0.25f, 0.0f,  0.0f,
                                      -0.5f, 0.0f,   0.25f,  0.75f, 0.0f};
    clipToOutput(quiet.data(), out.data(), 5, left, right);
    EXPECT_EQ(out, quiet);
    EXPECT_EQ(left, 0.75f);
    EXPECT_EQ(right, 0.5f);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> damaged = {nan, 0.5f, 0.25f, nan};
    clipToOutput(damaged.data(), out.data(), 2, left, right);
    EXPECT_TRUE(std::isnan(out[0]));
    EXPECT_TRUE(std::isnan(out[3]));
    EXPECT_EQ(left, 0.25f);
    EXPECT_EQ(right, 0.5f);
}

} // namespace
