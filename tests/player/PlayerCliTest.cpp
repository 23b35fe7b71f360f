// The player driven from its command line, as a user runs it, with no sound device.
#include "DemoSongs.h"
#include "EngineSession.h"
#include "FileInfo.h"
#include "MidiWriter.h"
#include "ModuleWriter.h"
#include "PlayerRun.h"
#include "SoundFileWriter.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <stdlib.h>

namespace fs = std::filesystem;
namespace gen = pelgra::gen;

namespace {

constexpr int kToneRate = 44100;
constexpr double kToneSeconds = 0.5;
constexpr double kToneLevel = 0.5;

// One pattern at the default speed: 64 rows of 6 ticks of 20 ms, 7.68 seconds. Notes on
// three of the four channels, on every eighth row.
std::vector<std::uint8_t> testModule() {
    gen::ModuleWriter module("test tune");
    const int square = module.addInstrument(gen::Waveform::Square, 48);
    const int saw = module.addInstrument(gen::Waveform::Saw, 40);
    const int pattern = module.addPattern();
    for (int row = 0; row < gen::ModuleWriter::kRows; row += 8) {
        module.setNote(pattern, row, 0, square, 24 + row / 8);
        module.setNote(pattern, row, 1, saw, 12);
        module.setNote(pattern, row + 4, 2, square, 19);
    }
    return module.build();
}

// Eight quarters at 120 beats a minute, 4 seconds, on MIDI channels 1 and 2.
std::vector<std::uint8_t> testMidi() {
    constexpr int kQuarter = 96;
    gen::MidiWriter midi(kQuarter);
    midi.setTempo(500000);
    midi.setProgram(1, 33); // a bass
    for (int beat = 0; beat < 8; ++beat) {
        midi.addNote(0, 60 + beat, 100, beat * kQuarter, kQuarter);
        midi.addNote(1, 36, 100, beat * kQuarter, kQuarter / 2);
    }
    return midi.build();
}

// A folder of its own for each case, with a tone, a module, a MIDI file, a text file and
// whatever else the case writes; removed afterwards.
class PlayerCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "pelgra-play-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        std::vector<float> tone(static_cast<std::size_t>(kToneSeconds * kToneRate));
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<float>(kToneLevel * std::sin(2 * M_PI * 1000.0 * i / kToneRate));
        }
        pelgra::play::writeMonoWav((m_folder / "tone.wav").string(), kToneRate, tone.data(),
                                   tone.size());
        ASSERT_TRUE(gen::writeFile((m_folder / "song.mod").string(), testModule()));
        ASSERT_TRUE(gen::writeFile((m_folder / "song.mid").string(), testMidi()));
        std::ofstream(m_folder / "notes.txt") << "not a sound at all\n";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // 5.1 surround: more channels than the engine plays, though libsndfile reads it.
    void writeSurround(const std::string& name) const {
        SF_INFO info{};
        info.samplerate = kToneRate;
        info.channels = 6;
        info.format = SF_FORMAT_WAVEX | SF_FORMAT_PCM_24;
        SNDFILE* file = sf_open((m_folder / name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> frames(6 * 4410, 0.25f);
        sf_writef_float(file, frames.data(), 4410);
        sf_close(file);
    }

    // An Ogg Vorbis file missing its end, as a download cut short leaves it.
    void writeCutOgg(const std::string& name) const {
        std::vector<float> tone(2 * kToneRate);
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(i)));
        }
        SF_INFO info{};
        info.samplerate = kToneRate;
        info.channels = 1;
        info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        const fs::path whole = m_folder / "whole.ogg";
        SNDFILE* file = sf_open(whole.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        sf_writef_float(file, tone.data(), static_cast<sf_count_t>(tone.size()));
        sf_close(file);
        fs::copy_file(whole, m_folder / name);
        fs::resize_file(m_folder / name, fs::file_size(whole) * 9 / 10);
        fs::remove(whole);
    }

    std::string bytesOf(const std::string& name) const {
        std::ifstream file(m_folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    PlayerRun run(const std::string& args, const std::string& launcher = "") const {
        return runPlayer(m_folder, args, launcher);
    }
    WavFacts wav(const std::string& name) const { return readWav(m_folder / name); }
    const fs::path& folder() const { return m_folder; }

private:
    fs::path m_folder;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(PlayerCli, RenderOfAnEffectLastsItsLengthAtTheMixingRate) {
    const PlayerRun player = run("--render out.wav tone.wav");
    ASSERT_EQ(player.status, 0) << player.err;
    const WavFacts out = wav("out.wav");
    EXPECT_EQ(out.rate, 48000);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.subtype, SF_FORMAT_PCM_16);
    EXPECT_EQ(out.frames, std::llround(kToneSeconds * 48000));
    // A centred mono sine: alike on both sides, with a sine's ratio of RMS to peak.
    EXPECT_GT(out.peak(0), 0.05);
    EXPECT_LE(out.peak(0), 1.0);
    EXPECT_NEAR(out.peak(0), out.peak(1), 0.01);
    EXPECT_NEAR(out.rms(0) / out.peak(0), 1 / std::sqrt(2.0), 0.05);
    // Where the file is and how loud it came out.
    EXPECT_TRUE(contains(player.out, (fs::canonical(folder()) / "out.wav").string())) << player.out;
    EXPECT_TRUE(contains(player.out, "peak -")) << player.out;
    EXPECT_TRUE(contains(player.out, "RMS -")) << player.out;
}

TEST_F(PlayerCli, RenderFollowsRateSecondsAndVolume) {
    ASSERT_EQ(run("--render loud.wav --rate 22050 --seconds 1 --volume 255 tone.wav").status, 0);
    ASSERT_EQ(run("--render soft.wav --rate 22050 --seconds 1 --volume 64 tone.wav").status, 0);
    ASSERT_EQ(run("--render mute.wav --rate 22050 --seconds 1 --volume 0 tone.wav").status, 0);
    const WavFacts loud = wav("loud.wav");
    EXPECT_EQ(loud.rate, 22050);
    EXPECT_EQ(loud.frames, 22050);
    // The effect ends half way; the rest is silence.
    EXPECT_GT(loud.rms(0, 0, 11000), 0.05);
    EXPECT_EQ(loud.peak(0, 11100), 0.0);
    EXPECT_GT(loud.peak(0), 1.5 * wav("soft.wav").peak(0));
    EXPECT_GT(wav("soft.wav").peak(0), 0.0);
    EXPECT_EQ(wav("mute.wav").peak(0), 0.0);
}

TEST_F(PlayerCli, RenderOfALoopingEffectSoundsToTheEnd) {
    ASSERT_EQ(run("--render out.wav --loop --seconds 1.2 tone.wav").status, 0);
    const WavFacts out = wav("out.wav");
    EXPECT_EQ(out.frames, std::llround(1.2 * 48000));
    EXPECT_GT(out.rms(0, out.frames - 4800), 0.05);
}

TEST_F(PlayerCli, SeveralFilesRenderOneAfterAnother) {
    ASSERT_EQ(run("--render out.wav tone.wav tone.wav").status, 0);
    const WavFacts out = wav("out.wav");
    EXPECT_EQ(out.frames, std::llround(2 * kToneSeconds * 48000));
    EXPECT_GT(out.rms(0, out.frames - 12000), 0.05); // the second one sounds too
}

TEST_F(PlayerCli, RenderOfASongWithoutSecondsIsOnePass) {
    for (const std::string song : {"song.mod", "song.mid"}) {
        ASSERT_EQ(run("--render out.wav " + song).status, 0) << song;
        double pass = 0.0;
        {
            const pelgra::play::EngineSession engine("manual", 48000, 8);
            pass = *pelgra::play::probeFile((folder() / song).string()).seconds;
        }
        const WavFacts out = wav("out.wav");
        EXPECT_EQ(out.frames, std::llround(pass * 48000)) << song;
        EXPECT_GT(out.rms(0), 0.001) << song;
        EXPECT_GT(out.rms(1, out.frames / 2), 0.001) << song;
    }
}

TEST_F(PlayerCli, RenderOfASongForSecondsLoopsIt) {
    ASSERT_EQ(run("--render out.wav --rate 44100 --seconds 5 song.mid").status, 0);
    const WavFacts out = wav("out.wav");
    EXPECT_EQ(out.frames, 5 * 44100);
    EXPECT_GT(out.rms(0, 4 * 44100), 0.001); // the 4-second tune has come round again
}

TEST_F(PlayerCli, SongsAndEffectsAreToldApartByLoadingNotByName) {
    fs::copy_file(folder() / "song.mod", folder() / "tune.wav");
    fs::copy_file(folder() / "tone.wav", folder() / "tone.mod");
    // With the effects' master volume at 0 only a song is heard.
    ASSERT_EQ(run("--render song.wav --volume 0 --seconds 1 tune.wav").status, 0);
    ASSERT_EQ(run("--render effect.wav --volume 0 --seconds 1 tone.mod").status, 0);
    EXPECT_GT(wav("song.wav").peak(0), 0.01);
    EXPECT_EQ(wav("effect.wav").peak(0), 0.0);
}

TEST_F(PlayerCli, InfoDescribesAnEffectWithoutPlayingIt) {
    const PlayerRun player = run("--info tone.wav");
    ASSERT_EQ(player.status, 0) << player.err;
    EXPECT_EQ(player.out, "tone.wav\n"
                          "  kind:     sound effect\n"
                          "  format:   WAV\n"
                          "  channels: 1\n"
                          "  rate:     44100 Hz\n"
                          "  length:   0.500 s\n");
}

TEST_F(PlayerCli, LongRecordingsPlayAsStreamedSongs) {
    constexpr int kRate = 8000;
    std::vector<float> music(static_cast<std::size_t>(25 * kRate));
    for (std::size_t i = 0; i < music.size(); ++i) {
        music[i] = static_cast<float>(kToneLevel * std::sin(2 * M_PI * 440.0 * i / kRate));
    }
    pelgra::play::writeMonoWav((folder() / "music.wav").string(), kRate, music.data(),
                               music.size());
    const PlayerRun info = run("--info music.wav");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "  kind:     song, stream\n")) << info.out;
    EXPECT_TRUE(contains(info.out, "  format:   WAV\n")) << info.out;
    EXPECT_TRUE(contains(info.out, "  length:   25.000 s, then loops\n")) << info.out;
    // With the effects' master volume at 0 only a song is heard.
    ASSERT_EQ(run("--render out.wav --volume 0 --seconds 1 music.wav").status, 0);
    EXPECT_GT(wav("out.wav").peak(0), 0.01);
}

TEST_F(PlayerCli, InfoShowsTheLoopAnOggFileIsTaggedWith) {
    const std::string encode = "cd '" + folder().string() +
                               "' && sox -V1 tone.wav --add-comment loopstart=4410 "
                               "--add-comment LOOPLENGTH=8820 tone.ogg";
    ASSERT_EQ(std::system(encode.c_str()), 0);
    const PlayerRun info = run("--info tone.ogg");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "  length:   0.500 s\n"
                                   "  loop:     0.100 s to 0.300 s\n"))
        << info.out;
}

TEST_F(PlayerCli, InfoDescribesSongs) {
    const PlayerRun player = run("--info song.mod song.mid");
    ASSERT_EQ(player.status, 0) << player.err;
    EXPECT_EQ(player.out, "song.mod\n"
                          "  kind:     song\n"
                          "  format:   MOD module\n"
                          "  title:    test tune\n"
                          "  channels: 2\n"
                          "  rate:     none of its own (plays at the mixing rate)\n"
                          "  length:   7.680 s, then loops\n"
                          "song.mid\n"
                          "  kind:     song\n"
                          "  format:   MIDI\n"
                          "  channels: 2\n"
                          "  rate:     none of its own (plays at the mixing rate)\n"
                          "  length:   4.000 s, then loops\n");
}

TEST_F(PlayerCli, InfoGoesOnPastAFileItCannotRead) {
    const PlayerRun player = run("--info missing.wav tone.wav");
    EXPECT_EQ(player.status, 1);
    EXPECT_EQ(player.err, "pelgra-play: missing.wav: no such file\n");
    EXPECT_TRUE(contains(player.out, "rate:     44100 Hz"));
}

TEST_F(PlayerCli, FilesItCannotPlayFailWithTheReason) {
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"missing.wav", "pelgra-play: missing.wav: no such file\n"},
        {"notes.txt", "pelgra-play: notes.txt: not a sound or song the player knows\n"},
        {".", "pelgra-play: .: is a folder, not a sound file\n"},
        {"--render out.wav tone.wav missing.wav", "pelgra-play: missing.wav: no such file\n"},
        {"--render /no/such/folder/out.wav tone.wav", "pelgra-play: cannot write "},
        {"--render out.wav six.wav",
         "pelgra-play: six.wav: cannot play it: more than two channels"},
        {"--render out.wav cut.ogg",
         "pelgra-play: cut.ogg: cannot play it: the file is empty, cut short"},
    };
    writeSurround("six.wav");
    writeCutOgg("cut.ogg");
    for (const auto& failing : cases) {
        const PlayerRun player = run(failing.args);
        EXPECT_EQ(player.status, 1) << failing.args;
        EXPECT_EQ(player.err.rfind(failing.message, 0), 0u) << failing.args << ": " << player.err;
    }
    // Refused as a song for want of a SoundFont, not as an effect of unknown format.
    const PlayerRun midi = run("--render out.wav song.mid", "PELGRA_SOUNDFONT=/no/such.sf2");
    EXPECT_EQ(midi.status, 1);
    EXPECT_EQ(midi.err.rfind("pelgra-play: song.mid: cannot play it: no SoundFont", 0), 0u)
        << midi.err;
    EXPECT_FALSE(fs::exists(folder() / "out.wav")); // nothing is rendered when a file fails
}

TEST_F(PlayerCli, WrongCommandLinesFailWithUsageStatus) {
    for (const char* args : {"--bogus tone.wav", "--volume 300 tone.wav",
                             "--music-volume 256 song.mod", "--render out.mp3 tone.wav", "--rate",
                             "", "--demo tone.wav", "--render out.wav --loop tone.wav"}) {
        const PlayerRun player = run(args);
        EXPECT_EQ(player.status, 2) << args;
        EXPECT_TRUE(contains(player.err, "Try 'pelgra-play --help'")) << args << ": " << player.err;
        EXPECT_TRUE(player.out.empty()) << args;
    }
}

TEST_F(PlayerCli, HelpAndVersion) {
    const PlayerRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "--render OUT.wav"));
    const PlayerRun version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pelgra-play ", 0), 0u);
}

TEST_F(PlayerCli, AnUnopenableDeviceIsReportedInOneLineWithTheWayOut) {
    const PlayerRun player = run("tone.wav", "SDL_AUDIODRIVER=no-such-driver");
    EXPECT_EQ(player.status, 3);
    EXPECT_EQ(std::count(player.err.begin(), player.err.end(), '\n'), 1) << player.err;
    EXPECT_TRUE(contains(player.err, "--render")) << player.err;
}

TEST_F(PlayerCli, PlaysInRealTimeWithPlainStatusLinesWhenNotOnATerminal) {
    const PlayerRun player = run("--seconds 0.3 song.mod tone.wav", "PELGRA_AUDIO_OUTPUT=null");
    ASSERT_EQ(player.status, 0) << player.err;
    // Time and length, and the title: the module's own, or the file's name.
    EXPECT_TRUE(contains(player.out, " / 00:07.6  test tune  voices ")) << player.out;
    EXPECT_TRUE(contains(player.out, " / 00:00.5  tone.wav  voices ")) << player.out;
    EXPECT_FALSE(contains(player.out, "\r")) << player.out;
}

TEST_F(PlayerCli, InterruptStopsEndlessPlayCleanlyWithStatus130) {
    const PlayerRun player =
        run("--loop tone.wav", "PELGRA_AUDIO_OUTPUT=null timeout --preserve-status -s INT 2");
    EXPECT_EQ(player.status, 130) << player.err;
    EXPECT_TRUE(contains(player.out, "tone.wav  voices 1/32")) << player.out;
}

TEST_F(PlayerCli, DemoRendersWithoutADeviceAndLeavesNoTemporaryFiles) {
    const PlayerRun player = run("--demo --render demo.wav", "TMPDIR=" + folder().string());
    ASSERT_EQ(player.status, 0) << player.err;
    const WavFacts demo = wav("demo.wav");
    EXPECT_EQ(demo.frames, 10 * 48000);
    EXPECT_GT(demo.peak(0), 0.1);
    EXPECT_GT(demo.rms(0, 0, 48000), 0.0);  // the song from the start
    EXPECT_GT(demo.rms(0, 9 * 48000), 0.0); // still at the end
    for (const auto& entry : fs::directory_iterator(folder())) {
        EXPECT_EQ(entry.path().filename().string().rfind("pelgra-demo-", 0), std::string::npos);
    }
}

TEST_F(PlayerCli, RenderNeverDestroysAFileAndAFailedOneLeavesNothing) {
    const std::string tone = bytesOf("tone.wav");
    fs::create_hard_link(folder() / "tone.wav", folder() / "same.wav");
    for (const char* args : {"--render tone.wav tone.wav", "--render ./tone.wav song.mod tone.wav",
                             "--render same.wav tone.wav"}) {
        const PlayerRun player = run(args);
        EXPECT_EQ(player.status, 2) << args;
        EXPECT_TRUE(contains(player.err, "would overwrite")) << args << ": " << player.err;
    }
    EXPECT_EQ(bytesOf("tone.wav"), tone);

    // A render that fails half way leaves the file it would replace as it was.
    writeSurround("six.wav");
    std::ofstream(folder() / "out.wav") << "an older file";
    EXPECT_EQ(run("--render out.wav tone.wav six.wav").status, 1);
    EXPECT_EQ(run("--render new.wav tone.wav six.wav").status, 1);
    EXPECT_EQ(bytesOf("out.wav"), "an older file");
    EXPECT_FALSE(fs::exists(folder() / "new.wav"));
    for (const auto& entry : fs::directory_iterator(folder())) {
        EXPECT_FALSE(contains(entry.path().filename().string(), "partial")) << entry.path();
    }
}

TEST_F(PlayerCli, RenderWritesTheFormatItsNameAsksFor) {
    const struct {
        const char* name;
        int format;
    } cases[] = {{"out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                 {"out.OGG", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                 {"out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16}};
    for (const auto& wanted : cases) {
        ASSERT_EQ(run(std::string("--render ") + wanted.name + " tone.wav").status, 0);
        SF_INFO info{};
        SNDFILE* file = sf_open((folder() / wanted.name).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << wanted.name;
        sf_close(file);
        EXPECT_EQ(info.format, wanted.format) << wanted.name;
        EXPECT_NEAR(static_cast<double>(info.frames), kToneSeconds * 48000, 1.0) << wanted.name;
    }
}

TEST_F(PlayerCli, InfoSaysWhatTheEngineWouldDoAndNoImpossibleLength) {
    writeSurround("six.wav");
    writeCutOgg("cut.ogg");
    const PlayerRun player = run("--info six.wav cut.ogg tone.wav");
    EXPECT_EQ(player.status, 1);
    EXPECT_TRUE(contains(player.out, "six.wav\n  kind:     none: the engine cannot play it: more "
                                     "than two channels"))
        << player.out;
    EXPECT_TRUE(contains(player.out, "  length:   unknown\n")) << player.out;
    EXPECT_TRUE(contains(player.out, "tone.wav\n  kind:     sound effect\n")) << player.out;

    const PlayerRun noSoundFont = run("--info song.mid", "PELGRA_SOUNDFONT=/no/such.sf2");
    EXPECT_EQ(noSoundFont.status, 1);
    EXPECT_TRUE(
        contains(noSoundFont.out, "kind:     none: the engine cannot play it: no SoundFont"))
        << noSoundFont.out;
}

TEST_F(PlayerCli, MusicVolumeSetsTheSongsAndVolumeOnlyTheEffects) {
    ASSERT_EQ(run("--render full.wav --seconds 1 song.mod").status, 0);
    ASSERT_EQ(run("--render soft.wav --seconds 1 --music-volume 64 --volume 0 song.mod").status, 0);
    ASSERT_EQ(run("--render mute.wav --seconds 1 --music-volume 0 --volume 255 song.mod").status,
              0);
    EXPECT_NEAR(wav("soft.wav").peak(0) / wav("full.wav").peak(0), 64.0 / 255.0, 0.01);
    EXPECT_EQ(wav("mute.wav").peak(0), 0.0);
    ASSERT_EQ(run("--render effect.wav --music-volume 0 tone.wav").status, 0);
    EXPECT_GT(wav("effect.wav").peak(0), 0.05);
}

TEST_F(PlayerCli, AMisspeltOutputIsNamedAsSuch) {
    const PlayerRun player = run("tone.wav", "PELGRA_AUDIO_OUTPUT=nul");
    EXPECT_EQ(player.status, 1);
    EXPECT_TRUE(contains(player.err, "PELGRA_AUDIO_OUTPUT=nul names no output")) << player.err;
}

TEST_F(PlayerCli, OnATerminalNSkipsToTheNextFile) {
    // A terminal of its own (script), fed n and, once the next file plays, q.
    const std::string command = "cd '" + folder().string() +
                                "' && (sleep 1; printf n; sleep 1; printf q; sleep 1) | "
                                "PELGRA_AUDIO_OUTPUT=null timeout 20 script -qec \"'" +
                                PELGRA_PLAY_BINARY +
                                "' --seconds 30 song.mod tone.wav\" /dev/null >terminal.out";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string terminal = bytesOf("terminal.out");
    EXPECT_TRUE(contains(terminal, "test tune  voices ")) << terminal;
    EXPECT_TRUE(contains(terminal, "tone.wav  voices ")) << "n did not skip the song";
    EXPECT_TRUE(contains(terminal, "stopped")) << terminal;
}
