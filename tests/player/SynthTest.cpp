#include "Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace pelgra::play;

namespace {

using Synth = std::function<std::vector<float>(int)>;

struct Effect {
    const char* name;
    Synth synth;
    double seconds;
};

const Effect kEffects[] = {
    {"laser", synthLaser, 0.35},
    {"drum", synthDrum, 0.45},
    {"coin", synthCoin, 0.35},
};

double rms(const std::vector<float>& sound, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        sum += static_cast<double>(sound[i]) * sound[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

std::size_t zeroCrossings(const std::vector<float>& sound, std::size_t from, std::size_t to) {
    std::size_t crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        crossings += (sound[i - 1] < 0.0f) != (sound[i] < 0.0f) ? 1 : 0;
    }
    return crossings;
}

} // namespace

TEST(DemoEffects, LastTheirLengthAtAnyRateAndStayWithinFullScale) {
    for (const Effect& effect : kEffects) {
        for (const int rate : {22050, 44100, 48000}) {
            const std::vector<float> sound = effect.synth(rate);
            EXPECT_EQ(sound.size(), static_cast<std::size_t>(std::lround(effect.seconds * rate)))
                << effect.name << " at " << rate;
            const float peak = std::max(std::abs(*std::max_element(sound.begin(), sound.end())),
                                        std::abs(*std::min_element(sound.begin(), sound.end())));
            EXPECT_GT(peak, 0.2f) << effect.name;
            EXPECT_LE(peak, 1.0f) << effect.name;
        }
    }
}

TEST(DemoEffects, FadeOutInsteadOfStoppingWithAClick) {
    for (const Effect& effect : kEffects) {
        const std::vector<float> sound = effect.synth(44100);
        const std::size_t tenth = sound.size() / 10;
        EXPECT_GT(rms(sound, 0, tenth), 10.0 * rms(sound, sound.size() - tenth, sound.size()))
            << effect.name;
        EXPECT_LT(std::abs(sound.back()), 0.01f) << effect.name;
    }
}

TEST(DemoEffects, LaserAndDrumFallInPitch) {
    for (const Synth& synth : {Synth(synthLaser), Synth(synthDrum)}) {
        const std::vector<float> sound = synth(48000);
        const std::size_t quarter = sound.size() / 4;
        EXPECT_GT(zeroCrossings(sound, 0, quarter),
                  zeroCrossings(sound, sound.size() - quarter, sound.size()));
    }
}

TEST(DemoEffects, SoundTheSameOnEveryRun) {
    EXPECT_EQ(synthDrum(44100), synthDrum(44100));
}
