#include "EngineCallTest.h"
#include "PelgraSoundEngine.h"

using LifecycleTest = EngineCallTest;

TEST_F(LifecycleTest, StartPassesArgumentsAndSetsVolume128) {
    EXPECT_TRUE(InitializeSoundFXEngine(44100, 32));
    EXPECT_EQ(take(), (Calls{"FSOUND_Init(44100, 32, 0)", "FSOUND_SetSFXMasterVolume(128)"}));
}

TEST_F(LifecycleTest, SecondStartMakesNoCallWhateverItsArguments) {
    ASSERT_TRUE(InitializeSoundFXEngine(44100, 32));
    SetMasterVolume(7);
    take();
    EXPECT_TRUE(InitializeSoundFXEngine(8000, 1));
    EXPECT_TRUE(InitializeSoundFXEngine(-5, 0));
    EXPECT_EQ(take(), Calls{});
}

TEST_F(LifecycleTest, FailedStartReportsFalseSetsNoVolumeAndMayBeRetried) {
    RecordingAudio_SetAnswers(0, 1);
    EXPECT_FALSE(InitializeSoundFXEngine(48000, 16));
    EXPECT_EQ(take(), Calls{"FSOUND_Init(48000, 16, 0)"});

    // Not started: shutting down makes no call, and the next start tries again.
    ShutdownSoundFXEngine();
    EXPECT_EQ(take(), Calls{});
    RecordingAudio_SetAnswers(1, 1);
    EXPECT_TRUE(InitializeSoundFXEngine(48000, 16));
    EXPECT_EQ(take(), (Calls{"FSOUND_Init(48000, 16, 0)", "FSOUND_SetSFXMasterVolume(128)"}));
}

TEST_F(LifecycleTest, ShutdownBeforeStartMakesNoCall) {
    ShutdownSoundFXEngine();
    EXPECT_EQ(take(), Calls{});
}

TEST_F(LifecycleTest, StartShutdownShutdownClosesOnce) {
    InitializeSoundFXEngine(22050, 8);
    ShutdownSoundFXEngine();
    ShutdownSoundFXEngine();
    EXPECT_EQ(take(), (Calls{"FSOUND_Init(22050, 8, 0)", "FSOUND_SetSFXMasterVolume(128)",
                             "FSOUND_Close()"}));
}

TEST_F(LifecycleTest, StartAfterShutdownStartsTheLibraryAgain) {
    InitializeSoundFXEngine(22050, 8);
    ShutdownSoundFXEngine();
    take();
    RecordingAudio_SetAnswers(0, 1);
    EXPECT_FALSE(InitializeSoundFXEngine(44100, 4));
    RecordingAudio_SetAnswers(1, 1);
    EXPECT_TRUE(InitializeSoundFXEngine(44100, 4));
    EXPECT_EQ(take(), (Calls{"FSOUND_Init(44100, 4, 0)", "FSOUND_Init(44100, 4, 0)",
                             "FSOUND_SetSFXMasterVolume(128)"}));
}

TEST_F(LifecycleTest, MasterVolumeIsWidenedWithoutSignAndNeedsNoStart) {
    SetMasterVolume(255);
    SetMasterVolume(0);
    SetMasterVolume(static_cast<unsigned char>(-1));
    EXPECT_EQ(take(), (Calls{"FSOUND_SetSFXMasterVolume(255)", "FSOUND_SetSFXMasterVolume(0)",
                             "FSOUND_SetSFXMasterVolume(255)"}));
}
