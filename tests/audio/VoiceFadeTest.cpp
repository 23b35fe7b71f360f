// What makes sound effects click-free: stops, takeovers and master volume changes move
// the level over a few milliseconds, and a play does not reuse a voice still fading
// while a silent one exists. Also the commands for every voice, which the mixer applies
// to each voice lazily, acting as if applied to each at once.
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

namespace {

using testsupport::Sine;

// Fades last 4 ms: 192 frames at 48 kHz.
constexpr int kFade = 192;
constexpr int kSettle = 1024;

class VoiceFadeTest : public ManualAudioTest {
protected:
    // A 12 kHz sine at 48 kHz peaks every four frames, so the peak of any four frames
    // is the level there.
    FSOUND_SAMPLE* loadTone(double amplitude = 0.5) {
        Sine tone;
        tone.frequency = 12000.0;
        tone.amplitude = amplitude;
        const std::string name = "tone" + std::to_string(m_tones++) + ".wav";
        return FSOUND_Sample_Load(FSOUND_FREE, m_folder.writeSine(name, tone).c_str(),
                                  FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    }

    // Frames count from the change: what was mixed after it leaves the limiter's
    // look-ahead kOutputDelay frames into the render.
    static float levelAt(const std::vector<float>& out, int frame) {
        return measure::peak(out, 0, kOutputDelay + frame, kOutputDelay + frame + 4);
    }

    static float peakFrom(const std::vector<float>& out, int frame) {
        return measure::peak(out, 0, kOutputDelay + frame);
    }

    // The level falls from about `from` to nothing over one fade, neither at once nor late.
    static void expectFadeOut(const std::vector<float>& out, float from) {
        EXPECT_GT(levelAt(out, 0), 0.9f * from) << "the sound was cut";
        EXPECT_NEAR(levelAt(out, kFade / 2), from / 2, 0.1f * from);
        EXPECT_EQ(peakFrom(out, kFade + 4), 0.0f);
    }

    int m_tones = 0;
};

TEST_F(VoiceFadeTest, StopFadesOutInsteadOfCutting) {
    const int voice = FSOUND_PlaySound(FSOUND_FREE, loadTone());
    render(kSettle);
    ASSERT_EQ(FSOUND_StopSound(voice), 1);
    expectFadeOut(render(kSettle), 0.5f);
}

TEST_F(VoiceFadeTest, StopThenPlayLetsTheStoppedSoundFadeOut) {
    FSOUND_SAMPLE* tone = loadTone();
    FSOUND_SAMPLE* silence = loadTone(0.0);
    const int stopped = FSOUND_PlaySound(FSOUND_FREE, tone);
    render(kSettle);
    FSOUND_StopSound(stopped);
    EXPECT_NE(FSOUND_PlaySound(FSOUND_FREE, silence), stopped) << "a silent voice was free";
    expectFadeOut(render(kSettle), 0.5f);
}

TEST_F(VoiceFadeTest, TakingOverAVoiceStillHeardFadesItsSoundOut) {
    start(1);
    FSOUND_SAMPLE* tone = loadTone();
    FSOUND_SAMPLE* silence = loadTone(0.0);
    FSOUND_PlaySound(FSOUND_FREE, tone);
    render(kSettle);
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, silence), 0);
    expectFadeOut(render(kSettle), 0.5f);

    // A voice stopped and then chosen by number fades out the same way.
    FSOUND_PlaySound(0, tone);
    render(kSettle);
    FSOUND_StopSound(0);
    FSOUND_PlaySound(0, silence);
    expectFadeOut(render(kSettle), 0.5f);
}

TEST_F(VoiceFadeTest, MasterVolumeGlidesInsteadOfStepping) {
    FSOUND_SetSFXMasterVolume(255);
    FSOUND_PlaySound(FSOUND_FREE, loadTone());
    render(kSettle);
    FSOUND_SetSFXMasterVolume(0);
    const std::vector<float> out = render(kSettle);
    // Over one 256-frame block.
    EXPECT_GT(levelAt(out, 0), 0.45f);
    EXPECT_NEAR(levelAt(out, 128), 0.25f, 0.03f);
    EXPECT_EQ(peakFrom(out, 256), 0.0f);
}

TEST_F(VoiceFadeTest, ASilentVoiceIsTakenBeforeAFadingOrTheOldestOne) {
    start(3);
    FSOUND_SAMPLE* tone = loadTone();
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 0);
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 1);
    FSOUND_StopSound(0);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 2) << "voice 0 still fades out";
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 0) << "a fading voice before playing ones";
    FSOUND_StopSound(1);
    render(kSettle);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 1)
        << "voice 1 has faded out: silent, though voice 2 started longer ago";
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, tone), 2) << "every voice plays: the oldest";
}

TEST_F(VoiceFadeTest, AStartWhoseSampleWasFreedFirstLeavesItsVoiceSilent) {
    start(2);
    FSOUND_SAMPLE* freed = loadTone();
    ASSERT_EQ(FSOUND_PlaySound(FSOUND_FREE, freed), 0);
    FSOUND_Sample_Free(freed);
    render(kSettle);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, loadTone()), 0) << "voice 0 never sounded";
}

TEST_F(VoiceFadeTest, CommandsForEveryVoiceActAsIfSentToEachVoice) {
    FSOUND_SAMPLE* tone = loadTone(0.25);
    const int first = FSOUND_PlaySound(FSOUND_FREE, tone);
    FSOUND_PlaySound(FSOUND_FREE, tone);
    render(kSettle);
    FSOUND_SetPaused(FSOUND_ALL, 1);
    EXPECT_EQ(peakFrom(render(kSettle), kFade + 4), 0.0f) << "both paused";

    // A voice started after the pause plays; one resumed on its own plays.
    const int later = FSOUND_PlaySound(FSOUND_FREE, tone);
    FSOUND_SetPaused(first, 0);
    std::vector<float> out = render(kSettle);
    EXPECT_NEAR(peakFrom(out, kFade + 4), 0.5f, 0.01f) << "two of three voices";

    // Resuming every voice, then stopping every voice within one callback: silence,
    // with the voices freed; a start after the stop plays.
    FSOUND_SetPaused(FSOUND_ALL, 0);
    FSOUND_StopSound(FSOUND_ALL);
    FSOUND_PlaySound(later, tone);
    out = render(kSettle);
    EXPECT_NEAR(peakFrom(out, kFade + 4), 0.25f, 0.01f) << "the voice started after";
    EXPECT_EQ(stats().voicesInUse, 1);
}

} // namespace
