// A voice's own volume, pan and pitch: the levels and the pan law, the frequency and
// length a pitch gives, seamless loops at any pitch, glides instead of steps, centred
// voices summed with panned ones, and the arguments refused.
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <cmath>
#include <limits>

namespace {

using testsupport::Sine;

constexpr int kSettle = 1024;
constexpr float kRootTwo = 1.41421356f;

class VoiceControlsTest : public ManualAudioTest {
protected:
    FSOUND_SAMPLE* loadTone(const Sine& tone, bool loops, int offset = 0, int length = 0) {
        const std::string name = "tone" + std::to_string(m_tones++) + ".wav";
        const unsigned int mode = FSOUND_NORMAL | (loops ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF);
        FSOUND_SAMPLE* sample = FSOUND_Sample_Load(
            FSOUND_FREE, m_folder.writeSine(name, tone).c_str(), mode, offset, length);
        EXPECT_NE(sample, nullptr);
        return sample;
    }

    // A 12 kHz sine at 48 kHz peaks every four frames: the peak of four frames is the level.
    FSOUND_SAMPLE* loadLevelTone(int channels = 1, double amplitude = 0.5) {
        Sine tone;
        tone.frequency = 12000.0;
        tone.channels = channels;
        tone.amplitude = amplitude;
        return loadTone(tone, true);
    }

    // The level of one side `frame` frames after the change, past the limiter's delay.
    static float levelAt(const std::vector<float>& out, int channel, int frame) {
        return measure::peak(out, channel, kOutputDelay + frame, kOutputDelay + frame + 4);
    }

    // The largest change of one side's level from four frames to the next, over `frames`.
    static float largestLevelStep(const std::vector<float>& out, int channel, int frames) {
        float largest = 0.0f;
        for (int frame = 4; frame < frames; frame += 4) {
            largest = std::max(largest, std::fabs(levelAt(out, channel, frame) -
                                                  levelAt(out, channel, frame - 4)));
        }
        return largest;
    }

    // The largest difference between two frames in a row of one side, from `first` on.
    static float largestFrameStep(const std::vector<float>& out, int channel, int first) {
        float largest = 0.0f;
        for (std::size_t i = static_cast<std::size_t>(2 * (first + 1) + channel); i < out.size();
             i += 2) {
            largest = std::max(largest, std::fabs(out[i] - out[i - 2]));
        }
        return largest;
    }

    int m_tones = 0;
};

TEST_F(VoiceControlsTest, PanIsConstantPowerWithTheCentreAtTheUnpannedLevel) {
    // A voice at its defaults, then one set to them explicitly: the same frames, both
    // sides alike at the tone's own level.
    FSOUND_SAMPLE* tone = loadLevelTone();
    FSOUND_PlaySound(0, tone);
    const std::vector<float> unpanned = render(kSettle);
    start(32);
    tone = loadLevelTone();
    FSOUND_PlaySound(0, tone);
    ASSERT_EQ(PelgraAudio_SetVoiceVolume(0, 255), 1);
    ASSERT_EQ(PelgraAudio_SetVoicePan(0, PELGRA_AUDIO_PAN_CENTRE), 1);
    ASSERT_EQ(PelgraAudio_SetVoicePitch(0, 1.0f), 1);
    const std::vector<float> centred = render(kSettle);
    EXPECT_EQ(centred, unpanned);
    EXPECT_NEAR(levelAt(centred, 0, 0), 0.5f, 0.001f);
    for (std::size_t frame = 0; frame < centred.size(); frame += 2) {
        ASSERT_EQ(centred[frame], centred[frame + 1]) << "frame " << frame / 2;
    }

    // Set before the first mix, a pan holds from the first frame: hard left leaves the
    // right side silent and the left at +3 dB, for a mono and a stereo sample alike.
    FSOUND_StopSound(0);
    render(kSettle);
    FSOUND_PlaySound(1, loadLevelTone(1, 0.25));
    FSOUND_PlaySound(2, loadLevelTone(2, 0.25));
    PelgraAudio_SetVoicePan(1, PELGRA_AUDIO_PAN_LEFT);
    PelgraAudio_SetVoicePan(2, PELGRA_AUDIO_PAN_LEFT);
    std::vector<float> out = render(kSettle);
    EXPECT_EQ(measure::peak(out, 1), 0.0f);
    EXPECT_NEAR(levelAt(out, 0, 512), 2 * 0.25f * kRootTwo, 0.002f);

    // Hard right the other way round; halfway right, the powers still add up.
    FSOUND_StopSound(2);
    PelgraAudio_SetVoicePan(1, PELGRA_AUDIO_PAN_RIGHT);
    out = render(kSettle);
    EXPECT_EQ(measure::peak(out, 0, kOutputDelay + 256), 0.0f);
    EXPECT_NEAR(levelAt(out, 1, 512), 0.25f * kRootTwo, 0.001f);
    PelgraAudio_SetVoicePan(1, 64);
    out = render(kSettle);
    const float left = levelAt(out, 0, 512);
    const float right = levelAt(out, 1, 512);
    EXPECT_NEAR(left * left + right * right, 2 * 0.25f * 0.25f, 0.001f);
    EXPECT_LT(left, 0.25f);

    // The voice's volume multiplies under the master volume.
    FSOUND_SetSFXMasterVolume(102);
    PelgraAudio_SetVoicePan(1, PELGRA_AUDIO_PAN_CENTRE);
    PelgraAudio_SetVoiceVolume(1, 51);
    out = render(kSettle);
    EXPECT_NEAR(levelAt(out, 0, 512), 0.25f * 0.4f * 0.2f, 0.001f);
    EXPECT_EQ(levelAt(out, 0, 512), levelAt(out, 1, 512));
}

TEST_F(VoiceControlsTest, PitchScalesTheFrequencyAndTheLength) {
    Sine tone;
    tone.frequency = 500.0; // 96 frames a cycle: the 48000 frames loop seamlessly
    FSOUND_SAMPLE* looping = loadTone(tone, true);
    const int voice = FSOUND_PlaySound(FSOUND_FREE, looping);
    for (const float ratio : {2.0f, 0.5f, 1.5f}) {
        PelgraAudio_SetVoicePitch(voice, ratio);
        render(kSettle); // past the glide
        const std::vector<float> out = render(kRate);
        EXPECT_NEAR(measure::frequency(out, 0, kRate), 500.0 * ratio, 1.0) << "ratio " << ratio;
    }

    // A one-shot of 4800 frames lasts half as long at pitch 2, twice as long at 0.5.
    tone.frames = 4800;
    FSOUND_SAMPLE* shot = loadTone(tone, false);
    FSOUND_StopSound(voice);
    render(kSettle);
    for (const float ratio : {2.0f, 0.5f}) {
        PelgraAudio_SetVoicePitch(FSOUND_PlaySound(FSOUND_FREE, shot), ratio);
        const int expected = kOutputDelay + static_cast<int>(4800 / ratio);
        EXPECT_NEAR(measure::audibleFrames(render(4 * 4800)), expected, 4) << "ratio " << ratio;
        EXPECT_EQ(stats().voicesInUse, 0) << "the voice ended";
    }
}

TEST_F(VoiceControlsTest, APitchedLoopGoesRoundWithoutASeam) {
    // 48 cycles of 480 Hz cut to start and end at the sine's peak, where a seam that reads
    // the wrong frames shows most; at pitch 1.37 the seam falls between frames.
    Sine tone;
    tone.frequency = 480.0;
    tone.frames = 5000;
    for (const int channels : {1, 2}) {
        tone.channels = channels;
        FSOUND_SAMPLE* loop = loadTone(tone, true, 25, 4800);
        const int voice = FSOUND_PlaySound(FSOUND_FREE, loop);
        PelgraAudio_SetVoicePitch(voice, 1.37f);
        const std::vector<float> out = render(kRate); // 13 times round
        const double ownStep = 0.5 * 2.0 * std::sin(measure::kPi * 480.0 * 1.37 / kRate);
        for (int side = 0; side < 2; ++side) {
            EXPECT_LT(largestFrameStep(out, side, kOutputDelay + 1), 1.05 * ownStep)
                << channels << " channels, side " << side;
        }
        EXPECT_NEAR(measure::frequency(out, 0, kRate), 480.0 * 1.37, 1.0);
        FSOUND_StopSound(voice);
        render(kSettle);
    }
}

TEST_F(VoiceControlsTest, VolumeAndPanGlideOverOneBlock) {
    const int voice = FSOUND_PlaySound(FSOUND_FREE, loadLevelTone());
    render(kSettle);
    PelgraAudio_SetVoiceVolume(voice, 0);
    std::vector<float> out = render(kSettle);
    EXPECT_GT(levelAt(out, 0, 0), 0.48f);
    EXPECT_NEAR(levelAt(out, 0, 128), 0.25f, 0.01f);
    EXPECT_EQ(measure::peak(out, 0, kOutputDelay + 256), 0.0f);
    // A straight line: 0.5 over 256 frames moves 0.008 in four frames.
    EXPECT_LT(largestLevelStep(out, 0, 512), 0.012f);

    PelgraAudio_SetVoiceVolume(voice, 255);
    render(kSettle);
    PelgraAudio_SetVoicePan(voice, PELGRA_AUDIO_PAN_LEFT);
    out = render(kSettle);
    EXPECT_NEAR(levelAt(out, 1, 128), 0.25f, 0.01f);
    EXPECT_NEAR(levelAt(out, 0, 128), (0.5f + 0.5f * kRootTwo) / 2, 0.01f);
    EXPECT_EQ(measure::peak(out, 1, kOutputDelay + 256), 0.0f);
    EXPECT_LT(largestLevelStep(out, 0, 512), 0.012f);
    EXPECT_LT(largestLevelStep(out, 1, 512), 0.012f);
}

TEST_F(VoiceControlsTest, CentredVoicesSumWithPannedAndStereoOnesAsEachAlone) {
    // Centred mono voices are mixed apart from the others and added at the end of each
    // block: together, every voice must still be where and as loud as alone. A loop of
    // 100 frames goes round inside blocks, a one-shot ends inside one.
    const auto play = [this](unsigned voices) {
        start(32);
        // Rate, channels, frames, frequency, amplitude: the loop, the stereo voice, the
        // voice to pan and the one-shot.
        const Sine tones[] = {{48000, 1, 100, 1000.0, 0.15},
                              {48000, 2, 48000, 700.0, 0.15},
                              {48000, 1, 48000, 300.0, 0.15},
                              {48000, 1, 1000, 2500.0, 0.15}};
        for (int voice = 0; voice < 4; ++voice) {
            if ((voices & (1u << voice)) != 0) {
                FSOUND_PlaySound(voice, loadTone(tones[voice], voice != 3));
            }
        }
        if ((voices & 4u) != 0) {
            EXPECT_EQ(PelgraAudio_SetVoicePan(2, 60), 1);
        }
        return render(2048);
    };
    const std::vector<float> together = play(15);
    std::vector<float> sum(together.size(), 0.0f);
    for (unsigned voice = 0; voice < 4; ++voice) {
        const std::vector<float> alone = play(1u << voice);
        EXPECT_GT(measure::peak(alone, 0), 0.05f) << "voice " << voice;
        for (std::size_t i = 0; i < sum.size(); ++i) {
            sum[i] += alone[i];
        }
        if (voice == 0) { // the loop alone repeats every 100 frames, both sides alike
            for (std::size_t i = 2 * kOutputDelay; i + 200 < alone.size(); ++i) {
                ASSERT_NEAR(alone[i], alone[i + 200], 1e-6f) << "frame " << i / 2;
                ASSERT_EQ(alone[i], alone[i ^ 1u]) << "frame " << i / 2;
            }
        }
    }
    for (std::size_t i = 0; i < sum.size(); ++i) {
        ASSERT_NEAR(together[i], sum[i], 1e-6f) << "frame " << i / 2 << ", side " << i % 2;
    }
}

TEST_F(VoiceControlsTest, ArgumentsOutOfRangeAreRefused) {
    const auto refused = [](int result, int error) {
        return result == 0 && PelgraAudio_GetError() == error;
    };
    FSOUND_Close();
    EXPECT_TRUE(refused(PelgraAudio_SetVoicePan(0, 0), PELGRA_AUDIO_ERR_UNINITIALIZED));
    start(32);
    for (const int voice : {-1, FSOUND_ALL, 32}) {
        EXPECT_TRUE(refused(PelgraAudio_SetVoiceVolume(voice, 255), PELGRA_AUDIO_ERR_INVALID_PARAM))
            << voice;
        EXPECT_TRUE(refused(PelgraAudio_SetVoicePan(voice, 0), PELGRA_AUDIO_ERR_INVALID_PARAM));
        EXPECT_TRUE(
            refused(PelgraAudio_SetVoicePitch(voice, 1.0f), PELGRA_AUDIO_ERR_INVALID_PARAM));
    }
    for (const int volume : {-1, 256}) {
        EXPECT_TRUE(refused(PelgraAudio_SetVoiceVolume(0, volume), PELGRA_AUDIO_ERR_INVALID_PARAM));
    }
    for (const int pan : {-129, 128}) {
        EXPECT_TRUE(refused(PelgraAudio_SetVoicePan(0, pan), PELGRA_AUDIO_ERR_INVALID_PARAM));
    }
    for (const float ratio : {0.249f, 4.001f, 0.0f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_TRUE(refused(PelgraAudio_SetVoicePitch(0, ratio), PELGRA_AUDIO_ERR_INVALID_PARAM));
    }
    // The ends of each range are taken, on a voice that plays nothing too.
    EXPECT_EQ(PelgraAudio_SetVoiceVolume(31, 0) + PelgraAudio_SetVoiceVolume(31, 255) +
                  PelgraAudio_SetVoicePan(31, -128) + PelgraAudio_SetVoicePan(31, 127) +
                  PelgraAudio_SetVoicePitch(31, 0.25f) + PelgraAudio_SetVoicePitch(31, 4.0f),
              6);

    // They queue commands as a stop does: a full queue refuses them until a mix.
    render(256);
    int queued = 0;
    while (PelgraAudio_SetVoicePitch(0, 2.0f) == 1) {
        ++queued;
    }
    EXPECT_EQ(queued, 8192);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_BUSY);
    render(256);
    EXPECT_EQ(PelgraAudio_SetVoicePan(0, 0), 1);
}

} // namespace
