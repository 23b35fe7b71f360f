#include "EngineCallTest.h"
#include "PelgraSoundEngine.h"

namespace {
char kTune[] = "tune.xm";
char kOther[] = "other.it";
} // namespace

using SongTest = EngineCallTest;

TEST_F(SongTest, LoadPassesTheNameAndLoadWhileLoadedMakesNoCall) {
    CSong song;
    EXPECT_TRUE(song.LoadFromFile(kTune));
    RecordingAudio_SetAnswers(1, 0);
    EXPECT_TRUE(song.LoadFromFile(kOther));
    EXPECT_EQ(take(), Calls{"FMUSIC_LoadSong(tune.xm)"});
}

TEST_F(SongTest, RejectedFileLeavesTheObjectEmptyAndMayBeRetried) {
    CSong song;
    RecordingAudio_SetAnswers(1, 0);
    EXPECT_FALSE(song.LoadFromFile(kTune));
    RecordingAudio_SetAnswers(1, 1);
    EXPECT_TRUE(song.LoadFromFile(kTune));
    EXPECT_EQ(take(), (Calls{"FMUSIC_LoadSong(tune.xm)", "FMUSIC_LoadSong(tune.xm)"}));
}

TEST_F(SongTest, PlayPauseStopPassTheSongAndNullWhenEmpty) {
    CSong empty;
    empty.Play();
    empty.Pause(true);
    empty.Stop();
    CSong song;
    song.LoadFromFile(kTune);
    song.Play();
    song.Pause(true);
    song.Pause(false);
    song.Stop();
    EXPECT_EQ(take(), (Calls{"FMUSIC_PlaySong(null)", "FMUSIC_SetPaused(null, 1)",
                             "FMUSIC_StopSong(null)", "FMUSIC_LoadSong(tune.xm)",
                             "FMUSIC_PlaySong(song#1)", "FMUSIC_SetPaused(song#1, 1)",
                             "FMUSIC_SetPaused(song#1, 0)", "FMUSIC_StopSong(song#1)"}));
}

TEST_F(SongTest, FreeMakesExactlyOneCallAndNoneWhenEmpty) {
    CSong song;
    song.FreeSong();
    song.LoadFromFile(kTune);
    take();
    song.FreeSong();
    song.FreeSong();
    EXPECT_EQ(take(), Calls{"FMUSIC_FreeSong(song#1)"});
}

TEST_F(SongTest, DestructorStopsEverySongThenFrees) {
    { CSong empty; }
    EXPECT_EQ(take(), Calls{"FMUSIC_StopAllSongs()"});
    {
        CSong song;
        song.LoadFromFile(kTune);
        take();
    }
    EXPECT_EQ(take(), (Calls{"FMUSIC_StopAllSongs()", "FMUSIC_FreeSong(song#1)"}));
}

TEST_F(SongTest, CopiesShareTheSong) {
    CSong original;
    original.LoadFromFile(kTune);
    CSong copy;
    copy = original;
    copy.Play();
    copy = CSong();
    EXPECT_EQ(take(), (Calls{"FMUSIC_LoadSong(tune.xm)", "FMUSIC_PlaySong(song#1)",
                             "FMUSIC_StopAllSongs()"}));
}
