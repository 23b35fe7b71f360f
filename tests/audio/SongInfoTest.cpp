// What the library tells of a loaded song or sample, and where a song is in its file,
// through the C calls with the manual output.
#include "ManualAudioTest.h"
#include "MidiWriter.h"
#include "ModuleWriter.h"

#include <cstdlib>
#include <string>

namespace {

namespace gen = pelgra::gen;

// One pattern at the default speed: 64 rows of 6 ticks of 20 ms, 7.68 seconds.
std::vector<unsigned char> oneModulePattern() {
    gen::ModuleWriter module("test tune");
    const int square = module.addInstrument(gen::Waveform::Square, 48);
    const int pattern = module.addPattern();
    for (int row = 0; row < gen::ModuleWriter::kRows; row += 8) {
        module.setNote(pattern, row, 0, square, 24 + row / 8);
    }
    const std::vector<std::uint8_t> bytes = module.build();
    return {bytes.begin(), bytes.end()};
}

class SongInfoTest : public ManualAudioTest {
protected:
    // A quiet tone made by sox: Ogg Vorbis at the lowest quality, to stay small. The
    // Windows tests run under Wine, where there is no sox: the tests that tag files skip.
    std::string writeOgg(const std::string& name, double seconds, const std::string& comments) {
        std::string path = m_folder.path(name);
        const std::string command = "sox -V1 -n -r 22050 -c 1 -C -1 " + comments + " '" + path +
                                    "' synth " + std::to_string(seconds) + " sine 440 vol 0.1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    FMUSIC_MODULE* loadModule() {
        return FMUSIC_LoadSong(m_folder.writeBytes("tune.mod", oneModulePattern()).c_str());
    }

    static PelgraAudioSongInfo infoOf(FMUSIC_MODULE* song) {
        PelgraAudioSongInfo info{};
        EXPECT_EQ(PelgraAudio_GetSongInfo(song, &info), 1);
        return info;
    }
};

// Within one render of the song worker, and the output's delay.
constexpr int kPositionSlackMs = 30;

TEST_F(SongInfoTest, AStreamedSongTellsItsLengthLoopAndTitle) {
#if defined(_WIN32)
    GTEST_SKIP() << "sox writes the tagged file; the Windows tests have none";
#endif
    const std::string ogg = writeOgg("theme.ogg", 180.0,
                                     "--add-comment LOOPSTART=220500 --add-comment "
                                     "LOOPLENGTH=1323000 --add-comment 'TITLE=Main theme'");
    FMUSIC_MODULE* song = FMUSIC_LoadSong(ogg.c_str());
    ASSERT_NE(song, nullptr);
    const PelgraAudioSongInfo info = infoOf(song);
    EXPECT_EQ(info.kind, PELGRA_AUDIO_SONG_STREAM);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.fileRate, 22050);
    EXPECT_NEAR(info.lengthMs, 180000, 1800);
    EXPECT_EQ(info.loopStartMs, 10000);
    EXPECT_EQ(info.loopEndMs, 70000);
    EXPECT_STREQ(info.format, "Ogg Vorbis");
    EXPECT_STREQ(info.title, "Main theme");

    const std::string untagged = writeOgg("plain.ogg", 1.0, "");
    const PelgraAudioSongInfo plain = infoOf(FMUSIC_LoadSong(untagged.c_str()));
    EXPECT_EQ(plain.loopStartMs, -1);
    EXPECT_EQ(plain.loopEndMs, -1);
    EXPECT_STREQ(plain.title, "");
}

TEST_F(SongInfoTest, AModuleTellsItsLengthTypeAndTitle) {
    const PelgraAudioSongInfo info = infoOf(loadModule());
    EXPECT_EQ(info.kind, PELGRA_AUDIO_SONG_MODULE);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.fileRate, kRate);
    EXPECT_NEAR(info.lengthMs, 7680, 77);
    EXPECT_EQ(info.loopStartMs, -1);
    EXPECT_STREQ(info.format, "MOD module");
    EXPECT_STREQ(info.title, "test tune");
}

#if defined(PELGRA_TESTS_HAVE_MIDI)
TEST_F(SongInfoTest, AMidiSongTellsTheLengthOfItsTempoMap) {
    // Eight quarters at 100 beats a minute: 4.8 seconds.
    gen::MidiWriter midi(96);
    midi.setTempo(600000);
    for (int beat = 0; beat < 8; ++beat) {
        midi.addNote(0, 60 + beat, 100, beat * 96, 96);
    }
    const std::vector<std::uint8_t> bytes = midi.build();
    const PelgraAudioSongInfo info = infoOf(
        FMUSIC_LoadSong(m_folder.writeBytes("tune.mid", {bytes.begin(), bytes.end()}).c_str()));
    EXPECT_EQ(info.kind, PELGRA_AUDIO_SONG_MIDI);
    EXPECT_EQ(info.lengthMs, 4800);
    EXPECT_STREQ(info.format, "MIDI");
}
#endif

TEST_F(SongInfoTest, ThePositionFollowsTheMixAndStartsOverAfterAStop) {
    FMUSIC_MODULE* song = loadModule();
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), 0);
    FMUSIC_PlaySong(song);
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), 0) << "nothing mixed yet";
    render(kRate);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 1000, kPositionSlackMs);
    FMUSIC_SetPaused(song, 1);
    render(kRate / 2);
    const int paused = PelgraAudio_GetSongPosition(song);
    render(kRate / 2);
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), paused) << "a paused song stands still";
    FMUSIC_SetPaused(song, 0);
    render(kRate);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), paused + 1000, kPositionSlackMs);

    FMUSIC_StopSong(song);
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), 0);
    render(kRate / 4);
    FMUSIC_PlaySong(song);
    render(kRate / 2);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 500, kPositionSlackMs);
    // Past its end (7.68 s) the module goes on from its start.
    render(8 * kRate);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 500 + 8000 - 7680, kPositionSlackMs);
}

TEST_F(SongInfoTest, AStreamedSongsPositionWrapsToItsLoopStart) {
#if defined(_WIN32)
    GTEST_SKIP() << "sox writes the tagged file; the Windows tests have none";
#endif
    // 2 s long, looping from 0.5 s to 1.5 s.
    const std::string ogg =
        writeOgg("loop.ogg", 2.0, "--add-comment LOOPSTART=11025 --add-comment LOOPEND=33075");
    FMUSIC_MODULE* song = FMUSIC_LoadSong(ogg.c_str());
    FMUSIC_PlaySong(song);
    render(kRate);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 1000, kPositionSlackMs);
    render(kRate); // 2 s played: the loop's first pass ended at 1.5 s
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 1000, kPositionSlackMs);
    render(kRate * 3 / 4);
    EXPECT_NEAR(PelgraAudio_GetSongPosition(song), 750, kPositionSlackMs);
}

TEST_F(SongInfoTest, ASampleTellsItsFileAndItsLengthAtTheMixingRate) {
    testsupport::Sine sine;
    sine.sampleRate = 44100;
    sine.channels = 2;
    sine.frames = 22050;
    FSOUND_SAMPLE* once = loadSine(sine);
    PelgraAudioSampleInfo info{};
    ASSERT_EQ(PelgraAudio_GetSampleInfo(once, &info), 1);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.fileRate, 44100);
    EXPECT_EQ(info.frames, kRate / 2);
    EXPECT_EQ(info.lengthMs, 500);
    EXPECT_EQ(info.loops, 0);
    ASSERT_EQ(PelgraAudio_GetSampleInfo(loadSine(sine, FSOUND_NORMAL | FSOUND_LOOP_NORMAL), &info),
              1);
    EXPECT_EQ(info.loops, 1);
}

TEST_F(SongInfoTest, BadHandlesAndNullInfoAreRefused) {
    FMUSIC_MODULE* song = loadModule();
    FSOUND_SAMPLE* sample = loadSine(testsupport::Sine{});
    PelgraAudioSongInfo songInfo{};
    PelgraAudioSampleInfo sampleInfo{};

    EXPECT_EQ(PelgraAudio_GetSongInfo(song, nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(PelgraAudio_GetSampleInfo(sample, nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);

    // A sample's handle where a song's is wanted, the other way round, and NULL.
    EXPECT_EQ(PelgraAudio_GetSongInfo(reinterpret_cast<FMUSIC_MODULE*>(sample), &songInfo), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(songInfo.kind, 0);
    EXPECT_EQ(PelgraAudio_GetSampleInfo(reinterpret_cast<FSOUND_SAMPLE*>(song), &sampleInfo), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(PelgraAudio_GetSongPosition(nullptr), -1);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_HANDLE);

    FMUSIC_FreeSong(song);
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), -1);
    EXPECT_EQ(PelgraAudio_GetSongInfo(song, &songInfo), 0);

    FSOUND_Close();
    EXPECT_EQ(PelgraAudio_GetSampleInfo(sample, &sampleInfo), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNINITIALIZED);
    EXPECT_EQ(PelgraAudio_GetSongPosition(song), -1);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNINITIALIZED);
}

} // namespace
