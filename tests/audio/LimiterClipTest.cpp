// The limiter and the clip that writes its frames out: a step that leaves at unity gain
// is copied out only when nothing in it needs the clip. A NaN can hide a loud sample
// from the step's peak (the maxima keep the first of two operands when either is NaN),
// and the loud sample must still leave clipped.
#include "mixer/Limiter.h"
#include "mixer/OutputClip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using pelgra::audio::Limiter;
using pelgra::audio::OutputClip;

TEST(LimiterClip, ALoudSampleANaNHidFromTheStepsPeakLeavesClipped) {
    Limiter limiter(48000);
    OutputClip clip;
    const int delay = limiter.delayFrames();
    const int frames = delay + Limiter::kStepFrames;
    // A quiet first step but for two left samples: the NaN beside the loud one in the
    // first fold of the peak keeps it, then falls to a quiet sample in the next.
    std::vector<float> in(static_cast<std::size_t>(2 * frames), 0.5f);
    in[8] = std::numeric_limits<float>::quiet_NaN(); // frame 4
    in[24] = 4.0f;                                   // frame 12
    std::vector<float> out(in.size());
    limiter.process(in.data(), out.data(), frames, clip);

    EXPECT_EQ(out[0], 0.0f) << "the delay starts silent";
    EXPECT_TRUE(std::isnan(out[static_cast<std::size_t>(2 * (delay + 4))]));
    EXPECT_EQ(out[static_cast<std::size_t>(2 * (delay + 12))], 1.0f);
    EXPECT_EQ(out[static_cast<std::size_t>(2 * (delay + 13))], 0.5f) << "at unity gain";
    float left = 0.0f;
    float right = 0.0f;
    clip.takePeaks(left, right);
    EXPECT_EQ(left, 1.0f);
    EXPECT_EQ(right, 0.5f);
}

} // namespace
