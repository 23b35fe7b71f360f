#include "EngineCallTest.h"
#include "PelgraSoundEngine.h"

namespace {
char kBoom[] = "boom.wav";
char kOther[] = "other.ogg";
} // namespace

using SoundFXTest = EngineCallTest;

TEST_F(SoundFXTest, LoadPassesSlotModeOffsetAndLength) {
    CSoundFX once;
    CSoundFX looped;
    EXPECT_TRUE(once.LoadFromFile(kBoom, false));
    EXPECT_TRUE(looped.LoadFromFile(kBoom, true));
    EXPECT_EQ(take(), (Calls{"FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)",
                             "FSOUND_Sample_Load(-1, boom.wav, 0x132, 0, 0)"}));
}

TEST_F(SoundFXTest, LoadWhileLoadedReturnsTrueWithoutACall) {
    CSoundFX fx;
    ASSERT_TRUE(fx.LoadFromFile(kBoom, false));
    take();
    RecordingAudio_SetAnswers(1, 0);
    EXPECT_TRUE(fx.LoadFromFile(kOther, true));
    EXPECT_EQ(take(), Calls{});
}

TEST_F(SoundFXTest, RejectedFileLeavesTheObjectEmptyAndMayBeRetried) {
    CSoundFX fx;
    RecordingAudio_SetAnswers(1, 0);
    EXPECT_FALSE(fx.LoadFromFile(kBoom, false));
    RecordingAudio_SetAnswers(1, 1);
    EXPECT_TRUE(fx.LoadFromFile(kBoom, false));
    EXPECT_EQ(take(), (Calls{"FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)",
                             "FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)"}));
}

TEST_F(SoundFXTest, DestroyingAnEmptyObjectStopsAllChannelsOnce) {
    { CSoundFX fx; }
    EXPECT_EQ(take(), Calls{"FSOUND_StopSound(-3)"});
}

TEST_F(SoundFXTest, DestroyingALoadedObjectStopsTwiceThenFrees) {
    {
        CSoundFX fx;
        fx.LoadFromFile(kBoom, false);
        take();
    }
    EXPECT_EQ(take(), (Calls{"FSOUND_StopSound(-3)", "FSOUND_StopSound(-3)",
                             "FSOUND_Sample_Free(sample#1)"}));
}

TEST_F(SoundFXTest, FreeStopsThenFreesOnceAndEmptyFreeMakesNoCall) {
    CSoundFX fx;
    fx.FreeSound();
    EXPECT_EQ(take(), Calls{});
    fx.LoadFromFile(kBoom, false);
    take();
    fx.FreeSound();
    fx.FreeSound();
    EXPECT_EQ(take(), (Calls{"FSOUND_StopSound(-3)", "FSOUND_Sample_Free(sample#1)"}));
    // Empty again: the next load calls the library.
    EXPECT_TRUE(fx.LoadFromFile(kOther, true));
    EXPECT_EQ(take(), Calls{"FSOUND_Sample_Load(-1, other.ogg, 0x132, 0, 0)"});
}

TEST_F(SoundFXTest, PlayAsksForAFreeChannelEachTimeEvenWhenEmpty) {
    CSoundFX empty;
    empty.Play();
    EXPECT_EQ(take(), Calls{"FSOUND_PlaySound(-1, null)"});
    CSoundFX fx;
    fx.LoadFromFile(kBoom, false);
    take();
    fx.Play();
    fx.Play();
    EXPECT_EQ(take(), (Calls{"FSOUND_PlaySound(-1, sample#1)", "FSOUND_PlaySound(-1, sample#1)"}));
}

TEST_F(SoundFXTest, PauseAndStopAddressEveryChannel) {
    CSoundFX fx;
    fx.Pause(true);
    fx.Pause(false);
    fx.Stop();
    EXPECT_EQ(take(), (Calls{"FSOUND_SetPaused(-3, 1)", "FSOUND_SetPaused(-3, 0)",
                             "FSOUND_StopSound(-3)"}));
}

TEST_F(SoundFXTest, CopiesShareTheSampleAndAssigningAnEmptyObjectReleasesNothing) {
    CSoundFX original;
    original.LoadFromFile(kBoom, false);
    CSoundFX copy;
    copy = original;
    copy.Play();
    EXPECT_TRUE(copy.LoadFromFile(kOther, false)); // already holds the shared sample
    copy = CSoundFX();                             // the temporary's destructor stops all
    copy.FreeSound();                              // empty now: no call
    EXPECT_EQ(take(), (Calls{"FSOUND_Sample_Load(-1, boom.wav, 0x130, 0, 0)",
                             "FSOUND_PlaySound(-1, sample#1)", "FSOUND_StopSound(-3)"}));
}
