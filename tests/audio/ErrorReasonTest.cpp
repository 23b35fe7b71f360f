// PelgraAudio_GetError: each refused call says why, per thread, and a success leaves the
// reason of the last failure in place.
#include "DemoSongs.h"
#include "Environment.h"
#include "ManualAudioTest.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

using testsupport::Sine;

class ErrorReasonTest : public ManualAudioTest {
protected:
    int sampleLoadError(const std::string& path) {
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0), nullptr)
            << path;
        return PelgraAudio_GetError();
    }
    int songLoadError(const std::string& path) {
        EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr) << path;
        return PelgraAudio_GetError();
    }
    std::string writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return m_folder.writeBytes(name, {bytes.begin(), bytes.end()});
    }
};

TEST_F(ErrorReasonTest, EachRefusedLoadSaysWhy) {
    const std::vector<unsigned char> wav = testsupport::readBytes(m_folder.writeSine("a.wav", {}));
    Sine surround;
    surround.channels = 6;
    EXPECT_EQ(sampleLoadError(m_folder.path("missing.wav")), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    EXPECT_EQ(sampleLoadError(m_folder.path("")), PELGRA_AUDIO_ERR_FILE_NOTFOUND) << "a folder";
    EXPECT_EQ(sampleLoadError(m_folder.writeBytes("empty.wav", {})), PELGRA_AUDIO_ERR_FILE_BAD);
    EXPECT_EQ(sampleLoadError(m_folder.writeBytes("half.wav", {wav.begin(), wav.end() - 1000})),
              PELGRA_AUDIO_ERR_FILE_BAD);
    EXPECT_EQ(sampleLoadError(m_folder.writeBytes("notes.txt", {'h', 'e', 'l', 'l', 'o'})),
              PELGRA_AUDIO_ERR_FILE_FORMAT);
    EXPECT_EQ(sampleLoadError(m_folder.writeSine("surround.wav", surround)),
              PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS);
    const std::string good = m_folder.path("a.wav");
    EXPECT_EQ(FSOUND_Sample_Load(0, good.c_str(), FSOUND_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM)
        << "a slot other than FSOUND_FREE";
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, good.c_str(), FSOUND_NORMAL, 48000, 0), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM) << "an offset past the end";

    EXPECT_EQ(songLoadError(m_folder.path("missing.mod")), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    // A WAV streams as a song; the song loader says the same as the sample loader of one
    // it cannot stream.
    EXPECT_EQ(songLoadError(m_folder.path("notes.txt")), PELGRA_AUDIO_ERR_FILE_FORMAT);
    EXPECT_EQ(songLoadError(m_folder.path("surround.wav")), PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS);
    const std::vector<std::uint8_t> midi = pelgra::gen::makeDemoMidi();
#if defined(PELGRA_TESTS_HAVE_MIDI)
    const int cutMidiError = PELGRA_AUDIO_ERR_FILE_BAD;
    const int fontlessMidiError = PELGRA_AUDIO_ERR_NO_SOUNDFONT;
#else // builds without FluidSynth refuse every MIDI file as a format they lack
    const int cutMidiError = PELGRA_AUDIO_ERR_FILE_FORMAT;
    const int fontlessMidiError = PELGRA_AUDIO_ERR_FILE_FORMAT;
#endif
    EXPECT_EQ(songLoadError(writeBytes("cut.mid", {midi.begin(), midi.begin() + 30})),
              cutMidiError);
    const std::string tune = writeBytes("tune.mid", midi);
    ASSERT_EQ(testenv::set("PELGRA_SOUNDFONT", m_folder.path("missing.sf2").c_str()), 0);
    EXPECT_EQ(songLoadError(tune), fontlessMidiError);
    ASSERT_EQ(testenv::unset("PELGRA_SOUNDFONT"), 0);
    // One byte over the song file size PelgraAudio.h states, 64 MiB; sparse.
    const std::string huge = writeBytes("huge.mod", std::vector<std::uint8_t>(1084));
    std::filesystem::resize_file(huge, (std::uintmax_t{64} << 20) + 1);
    EXPECT_EQ(songLoadError(huge), PELGRA_AUDIO_ERR_FILE_TOO_LARGE);
}

TEST_F(ErrorReasonTest, TheCommandQueueHoldsWhatTheHeaderSaysBetweenTwoMixes) {
    // 8192 commands, as PelgraAudio.h states: plays, pauses and stops alike, also those
    // for every voice. Nothing mixes here until the render.
    constexpr int kQueue = 8192;
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    for (int call = 0; call < kQueue; ++call) {
        const bool queued = call % 3 == 0   ? FSOUND_PlaySound(FSOUND_FREE, sample) >= 0
                            : call % 3 == 1 ? FSOUND_SetPaused(FSOUND_ALL, 0) == 1
                                            : FSOUND_StopSound(call % 32) == 1;
        ASSERT_TRUE(queued) << "call " << call;
    }
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_BUSY);
    EXPECT_EQ(FSOUND_StopSound(FSOUND_ALL), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_BUSY);
    render(256);
    EXPECT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0) << "a mix empties the queue";
}

#if !defined(_WIN32)
// With no file descriptor left (each streamed song holds one), the system refuses to
// open any file: a load says so, and does not blame the file.
TEST_F(ErrorReasonTest, AFileTheSystemRefusesToOpenIsNoDamagedFile) {
    const std::string wav = m_folder.writeSine("a.wav", {});
    const std::string module = writeBytes("demo.mod", pelgra::gen::makeDemoModule());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowestFree = open("/dev/null", O_RDONLY);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit noneLeft = saved;
    noneLeft.rlim_cur = static_cast<rlim_t>(lowestFree);
    // Only the C calls while no descriptor is left: UBSan's checks of the test's own
    // virtual calls need one.
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &noneLeft), 0);
    const bool sampleLoaded =
        FSOUND_Sample_Load(FSOUND_FREE, wav.c_str(), FSOUND_NORMAL, 0, 0) != nullptr;
    const int sampleError = PelgraAudio_GetError();
    const bool streamedSongLoaded = FMUSIC_LoadSong(wav.c_str()) != nullptr;
    const int streamedSongError = PelgraAudio_GetError();
    const bool moduleLoaded = FMUSIC_LoadSong(module.c_str()) != nullptr;
    const int moduleError = PelgraAudio_GetError();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_FALSE(sampleLoaded || streamedSongLoaded || moduleLoaded);
    EXPECT_EQ(sampleError, PELGRA_AUDIO_ERR_FILE_OPEN);
    EXPECT_EQ(streamedSongError, PELGRA_AUDIO_ERR_FILE_OPEN);
    EXPECT_EQ(moduleError, PELGRA_AUDIO_ERR_FILE_OPEN);
}
#endif

TEST_F(ErrorReasonTest, ASuccessKeepsTheLastReasonAndEachThreadHasItsOwn) {
    const std::string missing = m_folder.path("missing.wav");
    sampleLoadError(missing);
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    ASSERT_NE(sample, nullptr);
    ASSERT_GE(FSOUND_PlaySound(FSOUND_FREE, sample), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_NOTFOUND)
        << "reading it does not clear it";

    int otherAtFirst = -1;
    int otherAfter = -1;
    std::thread other([&] {
        otherAtFirst = PelgraAudio_GetError();
        FSOUND_PlaySound(PELGRA_AUDIO_MAX_VOICES, sample);
        otherAfter = PelgraAudio_GetError();
    });
    other.join();
    EXPECT_EQ(otherAtFirst, PELGRA_AUDIO_ERR_NONE);
    EXPECT_EQ(otherAfter, PELGRA_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
}

TEST_F(ErrorReasonTest, HandlesVoicesOutputsAndCallsOutsideARunSayWhy) {
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    ASSERT_EQ(FSOUND_Sample_Free(sample), 1);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(FSOUND_StopSound(32), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FSOUND_Init(48000, 8, 0), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INITIALIZED);
    EXPECT_EQ(PelgraAudio_GetStats(nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);

    FSOUND_Close();
    for (const auto& refused :
         {+[] { return FSOUND_SetSFXMasterVolume(100); },
          +[] { return PelgraAudio_SetMusicVolume(100); },
          +[] { return FSOUND_StopSound(FSOUND_ALL); }, +[] { return FMUSIC_StopAllSongs(); }}) {
        EXPECT_EQ(refused(), 0);
        EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNINITIALIZED);
    }
    float frames[2 * 16];
    EXPECT_EQ(PelgraAudio_Render(frames, 16), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNINITIALIZED);

    EXPECT_EQ(FSOUND_Init(7999, 8, 0), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(PelgraAudio_SetOutput("speakers"), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT);
    ASSERT_EQ(PelgraAudio_SetOutput(nullptr), 1);
    ASSERT_EQ(testenv::set("PELGRA_AUDIO_OUTPUT", "nul"), 0);
    EXPECT_EQ(FSOUND_Init(48000, 8, 0), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT)
        << "a misspelt output is no device fault";
    ASSERT_EQ(testenv::unset("PELGRA_AUDIO_OUTPUT"), 0);
}

TEST(ErrorTextTest, EveryCodeHasATextOfItsOwn) {
    std::set<std::string> texts;
    // The newest code is the highest.
    for (int code = PELGRA_AUDIO_ERR_NONE; code <= PELGRA_AUDIO_ERR_FILE_OPEN; ++code) {
        const std::string text = PelgraAudio_GetErrorString(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_TRUE(texts.insert(text).second) << code << ": " << text;
    }
    EXPECT_EQ(std::string(PelgraAudio_GetErrorString(PELGRA_AUDIO_ERR_FILE_NOTFOUND)),
              "file not found");
    EXPECT_EQ(std::string(PelgraAudio_GetErrorString(-1)), "unknown error code");
    EXPECT_EQ(std::string(PelgraAudio_GetErrorString(PELGRA_AUDIO_ERR_FILE_OPEN + 1)),
              "unknown error code");
}

} // namespace
