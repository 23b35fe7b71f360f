// The limiter at the end of the mix: loud sums come out lowered, not flattened; quiet
// ones come out untouched but for the look-ahead's delay; after a burst the level
// comes back; what its look-ahead holds outlives the last sound; an application may
// switch it off.
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <cmath>

namespace {

using measure::kPi;

using testsupport::Sine;

class LimiterTest : public ManualAudioTest {
protected:
    FSOUND_SAMPLE* loadLoudTone() {
        Sine loud;
        loud.amplitude = 0.9;
        return loadSine(loud, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    }

    static void playOnVoices(FSOUND_SAMPLE* sample, int voices) {
        for (int voice = 0; voice < voices; ++voice) {
            ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
        }
    }

    // Samples of the left side at or above `level`, as a share of all.
    static double shareAtOrAbove(const std::vector<float>& out, float level) {
        int count = 0;
        for (std::size_t i = 0; i < out.size(); i += 2) {
            count += std::fabs(out[i]) >= level ? 1 : 0;
        }
        return 2.0 * count / static_cast<double>(out.size());
    }

    // Neighbouring equal samples of the left side within a loud part of the waveform.
    static int flatTops(const std::vector<float>& out) {
        int count = 0;
        for (std::size_t i = 2; i < out.size(); i += 2) {
            count += out[i] == out[i - 2] && std::fabs(out[i]) > 0.5f ? 1 : 0;
        }
        return count;
    }
};

TEST_F(LimiterTest, LoudInPhaseVoicesComeOutLoweredNotFlattened) {
    start(64);
    playOnVoices(loadLoudTone(), 64);
    const std::vector<float> out = render(kRate);

    EXPECT_LE(measure::peak(out, 0), 0.995f) << "-0.05 dBFS, from the first crest on";
    EXPECT_GT(measure::peak(out, 0), 0.99f);
    EXPECT_LT(shareAtOrAbove(out, 0.999f), 0.001);
    EXPECT_EQ(flatTops(out), 0);
    EXPECT_NEAR(stats().gainReductionDb, 20.0f * std::log10(64 * 0.9f / 0.99426f), 0.3f);
    // Once the gain has settled, the sum is the tone itself, only quieter.
    const float level = measure::peak(out, 0, kRate / 2);
    float worst = 0.0f;
    for (int frame = kRate / 2; frame < kRate; ++frame) {
        const auto tone = static_cast<float>(std::sin(2.0 * kPi * 1000.0 * frame / kRate));
        worst = std::max(worst, std::fabs(out[static_cast<std::size_t>(2 * frame)] - level * tone));
    }
    EXPECT_LT(worst, 0.005f);
}

TEST_F(LimiterTest, QuietMixesPassUntouchedButForTheDelay) {
    Sine high;
    Sine low;
    low.frequency = 330.0;
    low.amplitude = 0.3;
    const auto playBoth = [&] {
        FSOUND_PlaySound(FSOUND_FREE, loadSine(high, FSOUND_NORMAL | FSOUND_LOOP_NORMAL));
        FSOUND_PlaySound(FSOUND_FREE, loadSine(low, FSOUND_NORMAL | FSOUND_LOOP_NORMAL));
    };
    constexpr int kFrames = 9600;
    playBoth();
    // Calls of odd sizes, so that the limiter's steps straddle them.
    std::vector<float> limited;
    for (int done = 0, call = 1; done < kFrames; done += call, call = call * 3 % 1009) {
        const std::vector<float> part = render(std::min(call, kFrames - done));
        limited.insert(limited.end(), part.begin(), part.end());
    }
    EXPECT_EQ(stats().gainReductionDb, 0.0f);

    start(32);
    ASSERT_EQ(PelgraAudio_SetLimiter(0), 1);
    playBoth();
    const std::vector<float> plain = render(kFrames);

    EXPECT_EQ(measure::peak(limited, 0, 0, kOutputDelay), 0.0f);
    const std::vector<float> delayed(limited.begin() + 2 * kOutputDelay, limited.end());
    const std::vector<float> expected(plain.begin(), plain.end() - 2 * kOutputDelay);
    EXPECT_GT(measure::peak(plain, 0), 0.75f);
    EXPECT_TRUE(delayed == expected) << "bit for bit, 2 ms later";
}

TEST_F(LimiterTest, AfterALoudBurstTheLevelReturnsWithinTheReleaseTime) {
    start(64);
    Sine quiet;
    quiet.frequency = 500.0;
    quiet.amplitude = 0.25;
    FSOUND_PlaySound(FSOUND_FREE, loadSine(quiet, FSOUND_NORMAL | FSOUND_LOOP_NORMAL));
    Sine burst;
    burst.amplitude = 0.9;
    burst.frames = kRate / 10;
    playOnVoices(loadSine(burst), 40);

    // Callbacks of 10 ms, the reduction read after each.
    std::vector<float> out;
    std::vector<float> reductions;
    for (int call = 0; call < 100; ++call) {
        const std::vector<float> part = render(kRate / 100);
        out.insert(out.end(), part.begin(), part.end());
        reductions.push_back(stats().gainReductionDb);
    }
    EXPECT_GT(reductions[5], 30.0f);
    EXPECT_TRUE(std::is_sorted(reductions.rbegin(), reductions.rend())) << "no pumping";
    EXPECT_EQ(reductions.back(), 0.0f) << "exact unity again within a second";

    const int burstEnd = burst.frames + kOutputDelay;
    EXPECT_LT(measure::peak(out, 0, burstEnd + kRate / 100, burstEnd + kRate / 50), 0.2f)
        << "the release glides rather than jumps";
    const int releaseEnd = burstEnd + kRate * 3 / 10;
    EXPECT_NEAR(measure::peak(out, 0, releaseEnd - kRate / 50, releaseEnd), 0.25f, 0.003f)
        << "within 0.1 dB after 300 ms";
}

TEST_F(LimiterTest, TheLookAheadEmptiesIntoIdleCallbacksAndNothingReplays) {
    // A callback with nothing to mix writes silence without the limiter: not before
    // the look-ahead has let out the end of the last sound, nor leaving it in there.
    Sine shot;
    shot.frames = 1000; // ends within a callback, off the limiter's steps
    constexpr int kFrames = 2048;
    const auto inCallbacksOf = [](int frames) {
        std::vector<float> out;
        for (int done = 0; done < kFrames; done += frames) {
            const std::vector<float> part = render(frames);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    };
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, loadSine(shot)), 0);
    const std::vector<float> oneCall = render(kFrames);
    EXPECT_GT(measure::peak(oneCall, 0, shot.frames, shot.frames + kOutputDelay), 0.4f);

    start(32);
    FSOUND_SAMPLE* sample = loadSine(shot);
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    EXPECT_TRUE(inCallbacksOf(64) == oneCall) << "the end of the sound came out whole";
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    EXPECT_TRUE(inCallbacksOf(64) == oneCall) << "and came out only once";
}

TEST_F(LimiterTest, SwitchedOffSumsAreClippedUndelayed) {
    start(64);
    playOnVoices(loadLoudTone(), 64);
    ASSERT_EQ(PelgraAudio_SetLimiter(0), 1);
    const std::vector<float> clipped = render(4800);
    EXPECT_EQ(measure::peak(clipped, 0, 1, kOutputDelay), 1.0f) << "no delay";
    EXPECT_GT(shareAtOrAbove(clipped, 0.999f), 0.5) << "flat tops";
    EXPECT_EQ(stats().gainReductionDb, 0.0f);

    ASSERT_EQ(PelgraAudio_SetLimiter(1), 1);
    const std::vector<float> limited = render(4800);
    EXPECT_EQ(measure::peak(limited, 0, 0, kOutputDelay), 0.0f) << "the delay starts empty";
    EXPECT_EQ(flatTops(limited), 0);
    EXPECT_GT(stats().gainReductionDb, 30.0f);

    FSOUND_Close();
    EXPECT_EQ(PelgraAudio_SetLimiter(0), 0) << "refused while the library does not run";
    start(64);
    playOnVoices(loadLoudTone(), 64);
    EXPECT_EQ(flatTops(render(4800)), 0) << "on again at every start";
}

} // namespace
