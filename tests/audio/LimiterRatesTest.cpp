// The limiter at the edges of the mixing rates, fed in calls of odd sizes: the ceiling
// holds from the first crest, and what stays below it comes out exact, delayFrames()
// later.
#include "mixer/Limiter.h"

#include "mixer/OutputClip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// M_PI is not standard C++, and MinGW leaves it out.
constexpr double kPi = 3.14159265358979323846;

using pelgra::audio::Limiter;

class LimiterRatesTest : public ::testing::TestWithParam<int> {};

TEST_P(LimiterRatesTest, HoldsTheCeilingAndPassesQuietFramesExactly) {
    const int rate = GetParam();
    Limiter limiter(rate);
    const int delay = limiter.delayFrames();
    EXPECT_GE(delay, 2 * rate / 1000);
    EXPECT_LE(delay, std::max(32, 2 * rate / 1000 + Limiter::kStepFrames));

    // A second of a 100 Hz tone, 20 times full scale for a tenth of a second, then quiet.
    std::vector<float> in(static_cast<std::size_t>(2 * rate));
    for (int frame = 0; frame < rate; ++frame) {
        const double tone = std::sin(2 * kPi * 100.0 * frame / rate);
        const double level = frame < rate / 10 ? 20.0 : 0.5;
        in[static_cast<std::size_t>(2 * frame)] = static_cast<float>(level * tone);
        in[static_cast<std::size_t>(2 * frame + 1)] = static_cast<float>(-level * tone);
    }
    std::vector<float> out(in.size());
    pelgra::audio::OutputClip clip;
    for (int done = 0, call = 1; done < rate; done += call, call = call * 7 % 997) {
        limiter.process(in.data() + 2 * done, out.data() + 2 * done, std::min(call, rate - done),
                        clip);
    }

    float peak = 0.0f;
    for (const float sample : out) {
        peak = std::max(peak, std::fabs(sample));
    }
    EXPECT_LE(peak, Limiter::kCeiling * 1.0001f);
    // Exact unity about 0.6 s after the loud part.
    for (int frame = rate * 8 / 10; frame < rate; ++frame) {
        ASSERT_EQ(out[static_cast<std::size_t>(2 * frame)],
                  in[static_cast<std::size_t>(2 * (frame - delay))])
            << "at frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, LimiterRatesTest, ::testing::Values(8000, 44100, 192000));

} // namespace
