// Songs through the library's C calls and the engine's CSong, mixed by the manual
// output: each song is one more source of the mixer, apart from the sound effects.
#include "DemoSongs.h"
#include "ManualAudioTest.h"
#include "PelgraSoundEngine.h"
#include "SignalMeasures.h"

#include <cmath>

namespace {

constexpr int kSecond = 48000;
// Longer than every fade of songs and voices.
constexpr int kSettle = 1024;

class SongCallsTest : public ManualAudioTest {
protected:
    FMUSIC_MODULE* loadDemoSong() {
        const std::vector<std::uint8_t> bytes = pelgra::gen::makeDemoModule();
        const std::string file =
            m_folder.writeBytes("demo.mod", std::vector<unsigned char>(bytes.begin(), bytes.end()));
        return FMUSIC_LoadSong(file.c_str());
    }

    // The first quarter second of the demo song playing alone, from a song freed after;
    // the output's delay runs out before it returns.
    std::vector<float> renderSongAlone() {
        FMUSIC_MODULE* song = loadDemoSong();
        FMUSIC_PlaySong(song);
        std::vector<float> out = render(kSecond / 4);
        FMUSIC_FreeSong(song);
        render(kSettle);
        return out;
    }

    static float peakOf(const std::vector<float>& out, int first = 0) {
        return std::max(measure::peak(out, 0, first), measure::peak(out, 1, first));
    }
};

TEST_F(SongCallsTest, ASongSoundsUntilStoppedAndStartsOverExactly) {
    FMUSIC_MODULE* song = loadDemoSong();
    ASSERT_NE(song, nullptr);
    EXPECT_LT(peakOf(render(kSettle)), 1e-6f); // loaded songs wait for PlaySong

    ASSERT_EQ(FMUSIC_PlaySong(song), 1);
    const std::vector<float> first = render(kSecond / 2);
    EXPECT_GT(peakOf(first), 0.05f);
    EXPECT_EQ(stats().songsPlaying, 1);

    ASSERT_EQ(FMUSIC_StopSong(song), 1);
    render(kSettle);
    EXPECT_LT(peakOf(render(kSettle)), 1e-6f);
    EXPECT_EQ(stats().songsPlaying, 0);

    FMUSIC_PlaySong(song);
    EXPECT_EQ(render(kSecond / 2), first);
}

TEST_F(SongCallsTest, PauseSilencesTheSongAndResumeGoesOn) {
    FMUSIC_MODULE* song = loadDemoSong();
    FMUSIC_PlaySong(song);
    render(kSecond / 4);
    ASSERT_EQ(FMUSIC_SetPaused(song, 1), 1);
    render(kSettle);
    EXPECT_LT(peakOf(render(kSecond / 4)), 1e-6f);
    EXPECT_EQ(stats().songsPlaying, 1); // paused still counts as playing
    FMUSIC_SetPaused(song, 0);
    EXPECT_GT(peakOf(render(kSecond / 4)), 0.05f);
}

TEST_F(SongCallsTest, TwoSongsMixAsTheirSumAndStopAllSilencesBoth) {
    const std::vector<float> single = renderSongAlone();

    FMUSIC_MODULE* first = loadDemoSong();
    FMUSIC_MODULE* second = loadDemoSong();
    FMUSIC_PlaySong(first);
    FMUSIC_PlaySong(second);
    const std::vector<float> both = render(kSecond / 4);
    for (std::size_t i = 0; i < both.size(); i += 997) {
        EXPECT_NEAR(both[i], std::clamp(2 * single[i], -1.0f, 1.0f), 1e-5f) << "at " << i;
    }

    ASSERT_EQ(FMUSIC_StopAllSongs(), 1);
    render(kSettle);
    EXPECT_LT(peakOf(render(kSettle)), 1e-6f);
}

TEST_F(SongCallsTest, SoundEffectCallsAndVolumeLeaveSongsAlone) {
    const std::vector<float> full = renderSongAlone();

    FMUSIC_MODULE* song = loadDemoSong();
    FSOUND_SetSFXMasterVolume(0);
    FMUSIC_PlaySong(song);
    FSOUND_SetPaused(FSOUND_ALL, 1);
    EXPECT_EQ(render(kSecond / 4), full);
    FSOUND_StopSound(FSOUND_ALL);
    EXPECT_GT(peakOf(render(kSettle)), 0.05f);
}

TEST_F(SongCallsTest, MusicVolumeScalesSongsAndEachStartBeginsAtFullLevel) {
    const float full = peakOf(renderSongAlone());
    ASSERT_EQ(PelgraAudio_SetMusicVolume(64), 1);
    render(kSettle); // with no song: the next one starts at the new volume
    const float quiet = peakOf(renderSongAlone());
    EXPECT_NEAR(quiet / full, 64.0f / 255.0f, 0.01f);
    PelgraAudio_SetMusicVolume(-5); // clamped to 0
    render(kSettle);
    EXPECT_EQ(peakOf(renderSongAlone()), 0.0f);

    start(8);
    EXPECT_EQ(peakOf(renderSongAlone()), full);
}

TEST_F(SongCallsTest, FreeingAPlayingSongIsSafeAndItsHandleGoesStale) {
    FMUSIC_MODULE* song = loadDemoSong();
    FMUSIC_PlaySong(song);
    render(kSettle);
    EXPECT_EQ(stats().songsAlive, 1);
    ASSERT_EQ(FMUSIC_FreeSong(song), 1);
    EXPECT_EQ(stats().songsAlive, 0);
    EXPECT_LT(peakOf(render(kSettle), kOutputDelay), 1e-6f);

    // Stale, null and sample handles are refused by every song call.
    FMUSIC_MODULE* sampleAsSong = reinterpret_cast<FMUSIC_MODULE*>(loadSine({}));
    for (FMUSIC_MODULE* refused : {song, static_cast<FMUSIC_MODULE*>(nullptr), sampleAsSong}) {
        EXPECT_EQ(FMUSIC_PlaySong(refused), 0);
        EXPECT_EQ(FMUSIC_SetPaused(refused, 1), 0);
        EXPECT_EQ(FMUSIC_StopSong(refused), 0);
        EXPECT_EQ(FMUSIC_FreeSong(refused), 0);
    }
}

TEST_F(SongCallsTest, LoadsAreLimitedByHandlesAndOnlyPlayingSongsTakeMixerSlots) {
    constexpr int kSlots = 64;
    std::vector<FMUSIC_MODULE*> songs;
    for (int index = 0; index < kSlots + 16; ++index) {
        songs.push_back(loadDemoSong());
        ASSERT_NE(songs.back(), nullptr) << "song " << index;
    }
    for (int index = 0; index < kSlots; ++index) {
        EXPECT_EQ(FMUSIC_PlaySong(songs[static_cast<std::size_t>(index)]), 1);
    }
    EXPECT_EQ(FMUSIC_PlaySong(songs[kSlots]), 0) << "every slot plays";
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_LIMIT);
    FMUSIC_StopSong(songs.front());
    render(kSettle);
    EXPECT_EQ(FMUSIC_PlaySong(songs[kSlots]), 1) << "the slot of a song whose fade-out ended";
    EXPECT_EQ(stats().songsPlaying, kSlots);
    EXPECT_EQ(FMUSIC_PlaySong(songs.front()), 0);

    // A paused song rests once faded out; its stop must still reach the mixer.
    FMUSIC_SetPaused(songs[1], 1);
    render(kSettle);
    FMUSIC_StopSong(songs[1]);
    render(kSettle);
    EXPECT_EQ(FMUSIC_PlaySong(songs[kSlots + 1]), 1) << "the slot of a paused song stopped";
}

TEST_F(SongCallsTest, NonSongsAndCallsOutsideARunAreRefused) {
    EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(m_folder.path("missing.mod").c_str()), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(m_folder.writeBytes("text.mod", {'n', 'o', 't', 'e'}).c_str()),
              nullptr);

    FMUSIC_MODULE* song = loadDemoSong();
    ASSERT_NE(song, nullptr);
    FSOUND_Close(); // frees the song with everything else
    EXPECT_EQ(FMUSIC_PlaySong(song), 0);
    EXPECT_EQ(FMUSIC_StopAllSongs(), 0);
    EXPECT_EQ(loadDemoSong(), nullptr);

    start(8);
    EXPECT_EQ(FMUSIC_PlaySong(song), 0); // a handle of an earlier run stays stale
}

TEST_F(SongCallsTest, TheEngineSongPlaysThroughTheLibrary) {
    FSOUND_Close(); // the engine starts the library itself
    PelgraAudio_SetOutput("manual");
    ASSERT_TRUE(InitializeSoundFXEngine(kRate, 8));
    const std::vector<std::uint8_t> bytes = pelgra::gen::makeDemoModule();
    std::string file =
        m_folder.writeBytes("engine.mod", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    {
        CSong song;
        ASSERT_TRUE(song.LoadFromFile(file.data()));
        song.Play();
        EXPECT_GT(peakOf(render(kSecond / 4)), 0.05f);
        song.Pause(true);
        render(kSettle);
        EXPECT_LT(peakOf(render(kSettle)), 1e-6f);
    } // the destructor stops every song, then frees this one
    EXPECT_EQ(stats().songsAlive, 0);
    ShutdownSoundFXEngine();
}

} // namespace
