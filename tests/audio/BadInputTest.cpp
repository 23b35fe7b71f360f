// Files that cannot be played, handles that are not (or no longer) valid, and calls
// outside the library's run: each is refused without harm.
#include "Environment.h"
#include "ManualAudioTest.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <future>
#include <limits>
#include <random>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <psapi.h> // needs windows.h first
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using testsupport::Sine;

class BadInputTest : public ManualAudioTest {
protected:
    FSOUND_SAMPLE* load(const std::string& path) {
        return FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    }

    std::vector<unsigned char> wavBytes(const Sine& sine) {
        return testsupport::readBytes(m_folder.writeSine("source.wav", sine));
    }
};

void putLittleEndian32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int byte = 0; byte < 4; ++byte) {
        bytes[at + static_cast<std::size_t>(byte)] =
            static_cast<unsigned char>(value >> (8 * byte));
    }
}

TEST_F(BadInputTest, UnreadableFilesGiveNull) {
    EXPECT_EQ(load(m_folder.path("missing.wav")), nullptr);
    EXPECT_EQ(load(m_folder.writeBytes("empty.wav", {})), nullptr);
    EXPECT_EQ(load(m_folder.path("")), nullptr) << "a directory";
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, nullptr, FSOUND_NORMAL, 0, 0), nullptr);

    std::mt19937 random(7);
    std::vector<unsigned char> noise(20000);
    for (unsigned char& byte : noise) {
        byte = static_cast<unsigned char>(random());
    }
    EXPECT_EQ(load(m_folder.writeBytes("noise.wav", noise)), nullptr);
    EXPECT_EQ(stats().samplesAlive, 0);
}

TEST_F(BadInputTest, TruncatedFilesGiveNull) {
    const std::vector<unsigned char> wav = wavBytes(Sine{});
    EXPECT_EQ(load(m_folder.writeBytes("header.wav", {wav.begin(), wav.begin() + 30})), nullptr);

    // Each format that says its length, cut in half, is damaged: none plays in part.
    for (const auto& [name, format] : {std::pair{"half.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                                       {"half.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                                       {"half.au", SF_FORMAT_AU | SF_FORMAT_PCM_16},
                                       {"half.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16},
                                       {"half.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16},
                                       {"half.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                                       {"half.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        Sine sine;
        sine.format = format;
        const auto whole = testsupport::readBytes(m_folder.writeSine("whole", sine));
        EXPECT_EQ(
            load(m_folder.writeBytes(name, {whole.begin(), whole.begin() + whole.size() / 2})),
            nullptr)
            << name;
        EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_BAD) << name;
    }
    EXPECT_EQ(stats().samplesAlive, 0);
}

// Taggers append an ID3v1 or APEv2 tag to Ogg files; after a whole, final last page
// such a tag is no damage, and a tag does not hide a cut page.
TEST_F(BadInputTest, TagsAfterAWholeOggFileAreNoDamage) {
    Sine sine;
    sine.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    const std::vector<unsigned char> ogg =
        testsupport::readBytes(m_folder.writeSine("a.ogg", sine));
    std::vector<unsigned char> id3v1(128, ' ');
    std::copy_n("TAG", 3, id3v1.begin());
    // An APEv2 tag of one item and a footer, no header.
    std::vector<unsigned char> ape = {1, 0, 0, 0, 0, 0, 0, 0, 'A', 'r', 't', 'i', 's', 't', 0, 'x'};
    const std::vector<unsigned char> footer = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07,
                                               0,   0,   0,   0,   0,   0,   1,   0,   0,    0};
    ape.insert(ape.end(), footer.begin(), footer.end());
    putLittleEndian32(ape, ape.size() - 8, static_cast<std::uint32_t>(ape.size() + 12));
    ape.resize(ape.size() + 12); // the flags (0: a footer, no header) and reserved bytes

    using Tags = std::vector<std::vector<unsigned char>>;
    const auto joined = [](std::vector<unsigned char> bytes, const Tags& tags) {
        for (const auto& tag : tags) {
            bytes.insert(bytes.end(), tag.begin(), tag.end());
        }
        return bytes;
    };
    for (const auto& [name, tags] : std::vector<std::pair<const char*, Tags>>{
             {"id3.ogg", {id3v1}}, {"ape.ogg", {ape}}, {"both.ogg", {ape, id3v1}}}) {
        FSOUND_SAMPLE* sample = load(m_folder.writeBytes(name, joined(ogg, tags)));
        EXPECT_NE(sample, nullptr) << name;
        FSOUND_Sample_Free(sample);
    }
    const std::vector<unsigned char> cut(ogg.begin(), ogg.end() - 100);
    EXPECT_EQ(load(m_folder.writeBytes("cut-id3.ogg", joined(cut, {id3v1}))), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_BAD);
    EXPECT_EQ(load(m_folder.writeBytes("cut-both.ogg", joined(cut, {ape, id3v1}))), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_BAD);
}

#if !defined(_WIN32)
// Reading a named pipe or a terminal waits for data that may never come: loads refuse
// them at once as no regular file. Should a load wait all the same, the test frees it
// (gives the pipe an end, hangs the terminal up) after a generous while, and fails.
TEST_F(BadInputTest, PipesAndTerminalsAreRefusedWithoutWaiting) {
    const std::string pipe = m_folder.path("pipe.mod");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    const std::string terminalPath = ptsname(terminal);

    const auto refusal = [this](const std::string& path, bool asSong, const auto& freeTheLoad) {
        std::future<int> error = std::async(std::launch::async, [&] {
            const bool refused =
                asSong ? FMUSIC_LoadSong(path.c_str()) == nullptr : load(path) == nullptr;
            return refused ? PelgraAudio_GetError() : -1;
        });
        if (error.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            ADD_FAILURE() << path << " blocked the load";
            freeTheLoad();
        }
        return error.get();
    };
    const auto endThePipe = [&] { close(open(pipe.c_str(), O_WRONLY | O_NONBLOCK)); };
    const auto hangUp = [&] {
        close(terminal);
        terminal = -1;
    };
    EXPECT_EQ(refusal(pipe, false, endThePipe), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    EXPECT_EQ(refusal(pipe, true, endThePipe), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    EXPECT_EQ(refusal(terminalPath, false, hangUp), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    EXPECT_EQ(refusal(terminalPath, true, hangUp), PELGRA_AUDIO_ERR_FILE_NOTFOUND);
    close(terminal);
}
#endif

TEST_F(BadInputTest, AbsurdHeadersGiveNull) {
    // A canonical 44-byte WAV header: channels at 22, rate at 24, data size at 40.
    Sine sine;
    sine.frames = 100;
    const std::vector<unsigned char> wav = wavBytes(sine);

    std::vector<unsigned char> hugeData = wav;
    putLittleEndian32(hugeData, 40, 0xFFFFFFF0u);
    EXPECT_EQ(load(m_folder.writeBytes("hugedata.wav", hugeData)), nullptr);

    std::vector<unsigned char> manyChannels = wav;
    manyChannels[22] = 0xFF;
    manyChannels[23] = 0x7F;
    EXPECT_EQ(load(m_folder.writeBytes("channels.wav", manyChannels)), nullptr);

    std::vector<unsigned char> zeroRate = wav;
    putLittleEndian32(zeroRate, 24, 0);
    EXPECT_EQ(load(m_folder.writeBytes("zerorate.wav", zeroRate)), nullptr);

    std::vector<unsigned char> hugeRate = wav;
    putLittleEndian32(hugeRate, 24, 0x7FFFFFFFu);
    EXPECT_EQ(load(m_folder.writeBytes("hugerate.wav", hugeRate)), nullptr);
    EXPECT_EQ(stats().samplesAlive, 0);
}

long peakResidentKilobytes() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

TEST_F(BadInputTest, HugeFilesAreRefusedWithoutBeingRead) {
    // Sparse files of 3 GiB: a WAV header claiming all of it, zeros with no header, and
    // a module's first bytes. Refusing them, or streaming the WAV as a song, must not take
    // the memory they would decode to.
    constexpr std::uintmax_t kHuge = std::uintmax_t{3} << 30;
    Sine sine;
    sine.frames = 100;
    std::vector<unsigned char> wav = wavBytes(sine);
    putLittleEndian32(wav, 4, 0xFFFFFFF8u);
    putLittleEndian32(wav, 40, 0xFFFFFFD0u);
    const std::string hugeWav = m_folder.writeBytes("huge.wav", wav);
    const std::string zeros = m_folder.writeBytes("zeros.wav", {});
    const std::string hugeSong = m_folder.writeBytes("huge.mod", std::vector<unsigned char>(1084));
    for (const std::string& file : {hugeWav, zeros, hugeSong}) {
        std::filesystem::resize_file(file, kHuge);
    }
    const long peakBefore = peakResidentKilobytes();
    EXPECT_EQ(load(hugeWav), nullptr);
    EXPECT_EQ(load(zeros), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(hugeSong.c_str()), nullptr);
    FMUSIC_MODULE* streamed = FMUSIC_LoadSong(hugeWav.c_str());
    EXPECT_NE(streamed, nullptr);
    EXPECT_EQ(FMUSIC_FreeSong(streamed), 1);
    EXPECT_LT(peakResidentKilobytes() - peakBefore, 256 * 1024);
    EXPECT_EQ(stats().samplesAlive, 0);
    EXPECT_EQ(stats().songsAlive, 0);
}

TEST_F(BadInputTest, ASampleOneFrameOverTheSampleSizeIsRefusedUnread) {
    // PelgraAudio.h: at most 2^27 floats, 2^26 stereo frames. A sparse 16-bit stereo WAV
    // at the mixing rate, one frame longer, with a canonical 44-byte header.
    constexpr std::uint32_t kDataBytes = ((std::uint32_t{1} << 26) + 1) * 4;
    Sine sine;
    sine.channels = 2;
    sine.frames = 100;
    std::vector<unsigned char> wav = wavBytes(sine);
    putLittleEndian32(wav, 4, 36 + kDataBytes);
    putLittleEndian32(wav, 40, kDataBytes);
    const std::string file = m_folder.writeBytes("long.wav", wav);
    std::filesystem::resize_file(file, 44 + kDataBytes);
    EXPECT_EQ(load(file), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_FILE_TOO_LARGE);
}

TEST_F(BadInputTest, NonFiniteAndAbsurdValuesInAFloatFileAreTamed) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    const std::vector<float> values = {
        std::numeric_limits<float>::quiet_NaN(), kInfinity, -kInfinity, 1e30f, -1e30f, 0.25f};
    std::vector<float> frames;
    for (int repeat = 0; repeat < 400; ++repeat) {
        frames.insert(frames.end(), values.begin(), values.end());
    }
    const std::string file = m_folder.path("damaged-float.wav");
    SF_INFO info{};
    info.samplerate = 44100; // resampled on loading, as most files are
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    ASSERT_NE(out, nullptr);
    sf_write_float(out, frames.data(), static_cast<sf_count_t>(frames.size()));
    sf_close(out);

    FSOUND_SAMPLE* sample = load(file);
    ASSERT_NE(sample, nullptr) << "damaged values, but a readable file";
    FSOUND_PlaySound(FSOUND_FREE, sample);
    for (const float value : render(4096)) {
        ASSERT_TRUE(std::isfinite(value) && std::fabs(value) <= 1.0f) << value;
    }
}

TEST_F(BadInputTest, SlotOffsetAndLengthAreChecked) {
    const std::string file = m_folder.writeSine("sine.wav", Sine{});
    EXPECT_EQ(FSOUND_Sample_Load(0, file.c_str(), FSOUND_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, -1, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 0, -1), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 48000, 0), nullptr);
    FSOUND_SAMPLE* part = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 47000, 480);
    ASSERT_NE(part, nullptr);
    FSOUND_PlaySound(FSOUND_FREE, part);
    render(1000);
    EXPECT_EQ(stats().voicesInUse, 0) << "480 frames are over after 1000";
}

TEST_F(BadInputTest, FreedStaleAndForeignHandlesAreRefused) {
    FSOUND_SAMPLE* sample = loadSine(Sine{});
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(FSOUND_Sample_Free(sample), 1);
    EXPECT_EQ(FSOUND_Sample_Free(sample), 0);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);

    FSOUND_SAMPLE* reused = loadSine(Sine{}); // takes the freed slot
    ASSERT_NE(reused, nullptr);
    EXPECT_NE(reused, sample);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(FSOUND_Sample_Free(sample), 0);

    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
    EXPECT_EQ(FSOUND_Sample_Free(nullptr), 0);
    const int local = 0;
    for (std::uintptr_t forged : {std::uintptr_t{1}, std::uintptr_t{0x12345}, ~std::uintptr_t{0},
                                  reinterpret_cast<std::uintptr_t>(&local)}) {
        auto* handle = reinterpret_cast<FSOUND_SAMPLE*>(forged);
        EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, handle), -1);
        EXPECT_EQ(FSOUND_Sample_Free(handle), 0);
    }
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, reused), 0) << "the live sample still plays";
    EXPECT_EQ(stats().samplesAlive, 1);
}

TEST_F(BadInputTest, HandlesFromAnEarlierRunAreStale) {
    FSOUND_SAMPLE* earlier = loadSine(Sine{});
    FSOUND_Close();
    ASSERT_EQ(FSOUND_Init(kRate, 8, 0), 1);
    FSOUND_SAMPLE* later = loadSine(Sine{});
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, earlier), -1);
    EXPECT_EQ(FSOUND_Sample_Free(earlier), 0);
    EXPECT_EQ(FSOUND_Sample_Free(later), 1);
}

TEST_F(BadInputTest, VoiceNumbersOutOfRangeAreRefused) {
    EXPECT_EQ(FSOUND_StopSound(32), 0);
    EXPECT_EQ(FSOUND_StopSound(-2), 0);
    EXPECT_EQ(FSOUND_SetPaused(32, 1), 0);
    EXPECT_EQ(FSOUND_SetPaused(-1, 1), 0);
    EXPECT_EQ(FSOUND_StopSound(31), 1);
}

TEST(AudioLifecycleTest, CallsBeforeTheStartAndAfterTheCloseDoNothing) {
    testsupport::ScratchFolder folder;
    const std::string file = folder.writeSine("sine.wav", Sine{});
    ASSERT_EQ(PelgraAudio_SetOutput("manual"), 1);
    const auto refused = [&] {
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
        EXPECT_EQ(FSOUND_SetPaused(FSOUND_ALL, 1), 0);
        EXPECT_EQ(FSOUND_StopSound(FSOUND_ALL), 0);
        EXPECT_EQ(FSOUND_SetSFXMasterVolume(100), 0);
        std::vector<float> out(512);
        EXPECT_EQ(PelgraAudio_Render(out.data(), 256), 0);
        PelgraAudioStats figures{};
        EXPECT_EQ(PelgraAudio_GetStats(&figures), 1);
        EXPECT_EQ(figures.mixRate, 0);
        PelgraAudioOutputState state{1, 1, 1, "x"};
        EXPECT_EQ(PelgraAudio_GetOutputState(&state), 0);
        EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_UNINITIALIZED);
        EXPECT_EQ(state.connected + state.losses + state.reopens + state.device[0], 0u);
        PelgraAudio_ResetStats();
        FSOUND_Close();
    };
    refused();
    ASSERT_EQ(FSOUND_Init(48000, 8, 0), 1);
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 0, 0);
    ASSERT_NE(sample, nullptr);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    FSOUND_Close();
    refused();
    EXPECT_EQ(FSOUND_Sample_Free(sample), 0);
    EXPECT_EQ(PelgraAudio_GetStats(nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetOutputState(nullptr), 0);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
    PelgraAudio_SetOutput(nullptr);
}

TEST(AudioLifecycleTest, StartArgumentsAndOutputsAreChecked) {
    ASSERT_EQ(PelgraAudio_SetOutput("manual"), 1);
    EXPECT_EQ(FSOUND_Init(7999, 8, 0), 0);
    EXPECT_EQ(FSOUND_Init(192001, 8, 0), 0);
    EXPECT_EQ(FSOUND_Init(48000, 0, 0), 0);
    EXPECT_EQ(FSOUND_Init(48000, 1025, 0), 0);
    EXPECT_EQ(PelgraAudio_SetOutput("speakers"), 0);

    ASSERT_EQ(FSOUND_Init(8000, 1024, 0), 1);
    EXPECT_EQ(FSOUND_Init(48000, 8, 0), 0) << "already running";
    EXPECT_EQ(PelgraAudio_SetOutput("null"), 0) << "not while running";
    FSOUND_Close();
    FSOUND_Close();
    ASSERT_EQ(FSOUND_Init(192000, 1, 0), 1);
    FSOUND_Close();
    PelgraAudio_SetOutput(nullptr);
}

TEST(AudioLifecycleTest, AnUnknownOutputInTheEnvironmentFailsTheStart) {
    ASSERT_EQ(testenv::set("PELGRA_AUDIO_OUTPUT", "speakers"), 0);
    EXPECT_EQ(FSOUND_Init(48000, 8, 0), 0);
    ASSERT_EQ(testenv::set("PELGRA_AUDIO_OUTPUT", "manual"), 0);
    EXPECT_EQ(FSOUND_Init(48000, 8, 0), 1);
    std::vector<float> out(512);
    EXPECT_EQ(PelgraAudio_Render(out.data(), 256), 256);
    FSOUND_Close();
    testenv::unset("PELGRA_AUDIO_OUTPUT");
}

} // namespace
