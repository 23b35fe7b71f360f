// What comes out of the mixer: level, pitch, pausing, stopping, volume, looping and
// the choice of voices.
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using testsupport::Sine;

// The fade of pauses and stops is a few milliseconds; a block of 1024 frames (21 ms)
// covers it with room to spare.
constexpr int kSettle = 1024;

class PlaybackTest : public ManualAudioTest {};

struct RateCase {
    const char* name;
    int fileRate;
    int format;           // a libsndfile format; 0: 16-bit WAV
    float levelTolerance; // lossy formats change the waveform a little
};

const RateCase kRateCases[] = {
    {"Wav22050", 22050, 0, 0.005f},
    {"Wav44100", 44100, 0, 0.005f},
    {"Wav48000", 48000, 0, 0.005f},
    {"OggVorbis44100", 44100, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.03f},
    {"Flac22050", 22050, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 0.005f},
    {"Mpeg44100", 44100, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0.03f},
};

class ResampledSineTest : public ManualAudioTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(ResampledSineTest, PlaysAtTheFilesLevelAndFrequency) {
    Sine sine;
    sine.sampleRate = GetParam().fileRate;
    sine.frames = sine.sampleRate; // one second
    sine.format = GetParam().format;
    FSOUND_SAMPLE* sample = loadSine(sine);
    ASSERT_NE(sample, nullptr);
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);

    const std::vector<float> out = render(kRate / 2);
    EXPECT_NEAR(measure::peak(out, 0), 0.5f, GetParam().levelTolerance);
    EXPECT_NEAR(measure::peak(out, 1), 0.5f, GetParam().levelTolerance);
    EXPECT_NEAR(measure::frequency(out, 0, kRate), 1000.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(FileRates, ResampledSineTest, ::testing::ValuesIn(kRateCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaybackTest, StereoFilesKeepTheirChannels) {
    Sine sine;
    sine.channels = 2;
    sine.sampleRate = 44100;
    FSOUND_SAMPLE* sample = loadSine(sine);
    ASSERT_NE(sample, nullptr);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    const std::vector<float> out = render(4800);
    EXPECT_NEAR(measure::peak(out, 0), 0.5f, 0.005f);
    EXPECT_NEAR(measure::peak(out, 1), 0.5f, 0.005f);
}

TEST_F(PlaybackTest, PauseSilencesAndResumeContinuesWhereItStopped) {
    Sine sine;
    sine.frames = 24000;
    FSOUND_SAMPLE* sample = loadSine(sine);
    ASSERT_NE(sample, nullptr);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    render(4800);

    ASSERT_EQ(FSOUND_SetPaused(FSOUND_ALL, 1), 1);
    const std::vector<float> paused = render(kSettle + 9600);
    EXPECT_EQ(measure::peak(paused, 0, kSettle), 0.0f);
    EXPECT_LT(measure::peak(paused, 0, 0, 8), 0.5f) << "the pause fades out";
    EXPECT_EQ(stats().voicesInUse, 1) << "a paused voice stays taken";

    ASSERT_EQ(FSOUND_SetPaused(FSOUND_ALL, 0), 1);
    const std::vector<float> resumed = render(sine.frames);
    // Neither restarted (24000 frames) nor moved on while paused (nothing left).
    const int remaining = measure::audibleFrames(resumed);
    EXPECT_GT(remaining, sine.frames - 4800 - kSettle);
    EXPECT_LE(remaining, sine.frames - 4800);
    EXPECT_NEAR(measure::peak(resumed, 0, kSettle, 4800), 0.5f, 0.005f);
}

TEST_F(PlaybackTest, PausingOneVoiceLeavesTheOthers) {
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    const int first = FSOUND_PlaySound(FSOUND_FREE, sample);
    const int second = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_NE(first, second);
    ASSERT_EQ(FSOUND_SetPaused(first, 1), 1);
    const std::vector<float> out = render(2 * kSettle);
    EXPECT_NEAR(measure::peak(out, 0, kSettle), 0.5f, 0.005f) << "one voice, not two";
}

TEST_F(PlaybackTest, StopSilencesEveryVoice) {
    FSOUND_SAMPLE* sample = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    render(1000);
    ASSERT_EQ(FSOUND_StopSound(FSOUND_ALL), 1);
    const std::vector<float> out = render(2 * kSettle);
    EXPECT_EQ(measure::peak(out, 0, kSettle), 0.0f);
    EXPECT_EQ(stats().voicesInUse, 0);
}

TEST_F(PlaybackTest, MasterVolumeScalesEffects) {
    FSOUND_SAMPLE* sample = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_EQ(FSOUND_SetSFXMasterVolume(255), 1);
    const float full = measure::peak(render(4800), 0);
    ASSERT_EQ(FSOUND_SetSFXMasterVolume(64), 1);
    const float quiet = measure::peak(render(4800), 0, kSettle);
    EXPECT_NEAR(quiet / full, 64.0f / 255.0f, 0.005f);

    FSOUND_SetSFXMasterVolume(-20); // clamped to 0
    EXPECT_EQ(measure::peak(render(4800), 0, kSettle), 0.0f);
    FSOUND_SetSFXMasterVolume(1000); // clamped to 255
    EXPECT_NEAR(measure::peak(render(4800), 0, kSettle), full, 1e-4f);
}

TEST_F(PlaybackTest, LoopingSamplesRepeatAndOneShotsEnd) {
    Sine sine;
    sine.frames = 4800;
    FSOUND_SAMPLE* looping = loadSine(sine, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, looping);
    std::vector<float> out = render(3 * sine.frames + 1000);
    EXPECT_NEAR(measure::peak(out, 0, 3 * sine.frames), 0.5f, 0.005f);
    FSOUND_StopSound(FSOUND_ALL);
    render(kSettle);

    FSOUND_SAMPLE* oneShot = loadSine(sine, FSOUND_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, oneShot);
    out = render(3 * sine.frames + 1000);
    EXPECT_NEAR(measure::peak(out, 0, 0, sine.frames), 0.5f, 0.005f);
    EXPECT_EQ(measure::peak(out, 0, sine.frames + kOutputDelay), 0.0f);
    EXPECT_EQ(stats().voicesInUse, 0);
}

TEST_F(PlaybackTest, ResampledLoopsRepeatWithoutASeam) {
    // A second of 441 Hz is whole periods at every rate: the file loops without a seam,
    // and the sample brought to the mixing rate must too.
    for (const int fileRate : {22050, 44100}) {
        SCOPED_TRACE(fileRate);
        start(32);
        Sine sine;
        sine.sampleRate = fileRate;
        sine.frames = fileRate;
        sine.frequency = 441.0;
        FSOUND_SAMPLE* sample = loadSine(sine, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
        ASSERT_NE(sample, nullptr);
        FSOUND_PlaySound(FSOUND_FREE, sample);
        const std::vector<float> out = render(kRate + kRate / 4);
        const auto deviation = [&](int first, int end) {
            return measure::deviationFromSine(out, 0, first, end, sine.frequency / kRate,
                                              sine.amplitude, kOutputDelay);
        };
        const int seam = kRate + kOutputDelay;
        const float middle = deviation(kRate / 4, 3 * kRate / 4);
        const float atSeam = deviation(seam - kRate / 20, seam + kRate / 20);
        EXPECT_LE(atSeam, middle) << "middle " << middle;
    }
}

TEST_F(PlaybackTest, ALoopingSoundPlaysItsIntroOnceThenItsLoop) {
    // Half a second at 441 Hz, then the loop: a second at 882 Hz (whole cycles at any
    // rate), then 2205 Hz that is never heard; the phase runs on across each change.
    for (const int fileRate : {48000, 22050}) {
        SCOPED_TRACE(fileRate);
        start(32);
        std::vector<float> frames;
        double phase = 0.0;
        for (const auto& [frequency, seconds] :
             {std::pair{441.0, 0.5}, {882.0, 1.0}, {2205.0, 0.5}}) {
            for (int i = 0; i < static_cast<int>(seconds * fileRate); ++i) {
                frames.push_back(static_cast<float>(0.5 * std::sin(phase)));
                phase += 2.0 * measure::kPi * frequency / fileRate;
            }
        }
        const auto first = static_cast<unsigned int>(fileRate / 2);
        const std::string path =
            m_folder.writeBytes("intro.wav", testsupport::wavWithLoop(frames, 1, fileRate, first,
                                                                      first + fileRate - 1));
        const auto loaded = [&](int offset, int length) {
            FSOUND_SAMPLE* sample = FSOUND_Sample_Load(
                FSOUND_FREE, path.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, offset, length);
            PelgraAudioSampleInfo info{};
            EXPECT_EQ(PelgraAudio_GetSampleInfo(sample, &info), 1);
            return std::pair{sample, info};
        };
        // The loop counts from the first frame kept; one that is not kept whole is ignored.
        if (fileRate == kRate) {
            const auto [shifted, shiftedInfo] = loaded(100, 0);
            EXPECT_EQ(shiftedInfo.loopStart, kRate / 2 - 100);
            const auto [cut, cutInfo] = loaded(0, kRate);
            EXPECT_EQ(cutInfo.loopStart, 0);
            EXPECT_EQ(cutInfo.frames, kRate);
            FSOUND_Sample_Free(shifted);
            FSOUND_Sample_Free(cut);
        }
        const auto [sample, info] = loaded(0, 0);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(info.frames - info.loopStart, kRate); // one pass of the loop is kept
        EXPECT_EQ(info.loopStart == kRate / 2, fileRate == kRate);
        const int voice = FSOUND_PlaySound(FSOUND_FREE, sample);
        std::vector<float> out = render(3 * kRate);
        const auto window = [&](int from, int end) {
            return std::vector<float>(out.begin() + 2 * (kOutputDelay + from),
                                      out.begin() + 2 * (kOutputDelay + end));
        };
        EXPECT_NEAR(measure::frequency(window(0, kRate / 2 - 100), 0, kRate), 441.0, 1.0);
        EXPECT_NEAR(measure::frequency(window(kRate / 2 + 100, 3 * kRate - kOutputDelay), 0, kRate),
                    882.0, 1.0);
        // Once round the loop, the loop again, not the intro.
        EXPECT_NEAR(measure::frequency(window(3 * kRate / 2 + 100, 2 * kRate), 0, kRate), 882.0,
                    1.0);
        // Past the intro's own change of tone (whose ringing is the material's), every step
        // is one of the loop's, across its seam too; at another pitch the seam falls between
        // frames, and the curve there reads across it.
        const auto largestStep = [&](double pitch) {
            float largest = 0.0f;
            const auto first =
                static_cast<std::size_t>(kOutputDelay + kRate / (2.0 * pitch) + 1000);
            for (std::size_t i = 2 * first; i < out.size(); i += 2) {
                largest = std::max(largest, std::fabs(out[i] - out[i - 2]));
            }
            return largest;
        };
        EXPECT_LT(largestStep(1.0), 1.05 * std::sin(measure::kPi * 882.0 / kRate));
        FSOUND_StopSound(voice);
        render(kSettle);
        PelgraAudio_SetVoicePitch(FSOUND_PlaySound(FSOUND_FREE, sample), 1.37f);
        out = render(3 * kRate);
        EXPECT_LT(largestStep(1.37), 1.05 * std::sin(measure::kPi * 882.0 * 1.37 / kRate));
        EXPECT_NEAR(measure::frequency(window(kRate / 2, 3 * kRate - kOutputDelay), 0, kRate),
                    882.0 * 1.37, 1.0);
        FSOUND_Sample_Free(sample);
    }
}

TEST_F(PlaybackTest, WhenEveryVoiceIsBusyTheOldestIsTakenOver) {
    start(2);
    Sine shortSine;
    shortSine.frames = 480;
    FSOUND_SAMPLE* brief = loadSine(shortSine);
    FSOUND_SAMPLE* endless = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);

    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, endless), 0);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, endless), 1);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, endless), 0);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, brief), 1);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, endless), 0);
    render(1000);
    EXPECT_EQ(stats().voicesInUse, 1) << "the brief sound on voice 1 has ended";
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, endless), 1) << "a free voice before the oldest";
    render(256);
    EXPECT_EQ(stats().voicesInUse, 2);
}

TEST_F(PlaybackTest, PlayingOnAChosenVoiceReplacesIt) {
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    EXPECT_EQ(FSOUND_PlaySound(5, sample), 5);
    EXPECT_EQ(FSOUND_PlaySound(5, sample), 5);
    EXPECT_EQ(FSOUND_PlaySound(32, sample), -1);
    render(256);
    EXPECT_EQ(stats().voicesInUse, 1);
}

TEST_F(PlaybackTest, EveryVoiceNumberSoundsAlikeWithTheTailOfATakeover) {
    // The mix visits only the voices in use: one at either end of a word of 64, or the
    // last, must sound as voice 0 does, and so must the fading tail of a voice taken
    // over, until it has faded and its voice plays on alone.
    const auto play = [this](int voice) {
        start(PELGRA_AUDIO_MAX_VOICES);
        FSOUND_SAMPLE* sample = loadSine(Sine{}, FSOUND_LOOP_NORMAL);
        EXPECT_EQ(FSOUND_PlaySound(voice, sample), voice);
        std::vector<float> out = render(300);
        EXPECT_EQ(FSOUND_PlaySound(voice, sample), voice);
        const std::vector<float> after = render(kSettle);
        out.insert(out.end(), after.begin(), after.end());
        return out;
    };
    const std::vector<float> first = play(0);
    EXPECT_GT(measure::peak(first, 0, kSettle), 0.4f);
    for (const int voice : {63, 64, 700, PELGRA_AUDIO_MAX_VOICES - 1}) {
        EXPECT_EQ(play(voice), first) << "voice " << voice;
    }
}

TEST_F(PlaybackTest, FreeingASampleStopsItsVoices) {
    FSOUND_SAMPLE* freed = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    Sine other;
    other.frequency = 500.0;
    FSOUND_SAMPLE* kept = loadSine(other, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, freed);
    FSOUND_PlaySound(FSOUND_FREE, kept);
    render(1000);
    ASSERT_EQ(FSOUND_Sample_Free(freed), 1);
    const std::vector<float> out = render(kSettle + kRate / 4);
    const std::vector<float> tail(out.begin() + 2 * kSettle, out.end());
    EXPECT_NEAR(measure::frequency(tail, 0, kRate), 500.0, 1.0);
    EXPECT_NEAR(measure::peak(tail, 0), 0.5f, 0.005f);
    EXPECT_EQ(stats().samplesAlive, 1);
}

TEST_F(PlaybackTest, SumsNeverExceedFullScale) {
    Sine loud;
    loud.amplitude = 0.9;
    FSOUND_SAMPLE* sample = loadSine(loud);
    for (int voice = 0; voice < 4; ++voice) {
        FSOUND_PlaySound(FSOUND_FREE, sample);
    }
    const std::vector<float> out = render(4800);
    EXPECT_LE(measure::peak(out, 0), 1.0f);
    EXPECT_GT(measure::peak(out, 0), 0.99f);
    EXPECT_EQ(stats().peakLeft, measure::peak(out, 0));
}

TEST_F(PlaybackTest, StatsCountWhatWasMixed) {
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    FSOUND_PlaySound(FSOUND_FREE, sample);
    render(1000);
    render(500);
    PelgraAudioStats figures = stats();
    EXPECT_EQ(figures.framesMixed, 1500u);
    EXPECT_EQ(figures.callbacks, 2u);
    EXPECT_EQ(figures.mixRate, kRate);
    EXPECT_EQ(figures.samplesAlive, 1);
    EXPECT_EQ(figures.voicesInUse, 1);

    PelgraAudio_ResetStats();
    figures = stats();
    EXPECT_EQ(figures.framesMixed, 0u);
    EXPECT_EQ(figures.callbacks, 0u);
    EXPECT_EQ(figures.longestGapMicros, 0u);
}

} // namespace
