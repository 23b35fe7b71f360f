// Sounds and songs loaded from memory and through the application's callbacks: the same
// frames as from a file, the callbacks' close run once whatever happens, and bad bytes
// refused as a bad file is.
#include "DemoSongs.h"
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace {

constexpr int kSecond = 48000;
constexpr int kSettle = 1024;

using Bytes = std::vector<unsigned char>;

// Bytes served through PelgraAudioIO, noting what the library asks of them.
struct CallbackFile {
    Bytes bytes;
    long long at = 0;
    bool tellsSize = true;
    long long failReadsFrom = -1; // reads reaching past this byte fail (-1: none do)
    bool overReads = false;       // answers every read with more than was asked
    int closes = 0;
    bool noteThreads = false;
    std::set<std::string> threads; // of the calls other than close, while noteThreads

    void note() {
#if defined(__linux__)
        if (noteThreads) {
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            threads.insert(name);
        }
#endif
    }

    static CallbackFile& of(void* user) {
        return *static_cast<CallbackFile*>(user);
    }
    static long long read(void* user, void* buffer, long long bytes) {
        CallbackFile& file = of(user);
        file.note();
        if (file.overReads) {
            return bytes + 1;
        }
        const long long count =
            std::clamp<long long>(static_cast<long long>(file.bytes.size()) - file.at, 0, bytes);
        if (file.failReadsFrom >= 0 && file.at + count > file.failReadsFrom) {
            return -1;
        }
        std::memcpy(buffer, file.bytes.data() + file.at, static_cast<std::size_t>(count));
        file.at += count;
        return count;
    }
    static int seek(void* user, long long offset, int whence) {
        CallbackFile& file = of(user);
        file.note();
        const long long from = whence == SEEK_SET   ? 0
                               : whence == SEEK_CUR ? file.at
                                                    : static_cast<long long>(file.bytes.size());
        if (from + offset < 0) {
            return -1;
        }
        file.at = from + offset;
        return 0;
    }
    static long long tell(void* user) {
        of(user).note();
        return of(user).at;
    }
    static long long size(void* user) {
        CallbackFile& file = of(user);
        file.note();
        return file.tellsSize ? static_cast<long long>(file.bytes.size()) : -1;
    }
    static void close(void* user) {
        ++of(user).closes;
    }
};

constexpr PelgraAudioIO kCallbacks = {CallbackFile::read, CallbackFile::seek, CallbackFile::tell,
                                      CallbackFile::size, CallbackFile::close};

// The ways a load can be given the same bytes: from a file, and the others.
enum class Way { File, Memory, Callbacks, CallbacksOfUnknownSize };
constexpr Way kOtherWays[] = {Way::Memory, Way::Callbacks, Way::CallbacksOfUnknownSize};

class SourceLoadTest : public ManualAudioTest {
protected:
    FSOUND_SAMPLE* loadSample(Way way, const Bytes& bytes, CallbackFile& file) {
        file.bytes = bytes;
        file.tellsSize = way != Way::CallbacksOfUnknownSize;
        switch (way) {
        case Way::File:
            return FSOUND_Sample_Load(FSOUND_FREE, m_folder.writeBytes("sound", bytes).c_str(),
                                      FSOUND_NORMAL, 0, 0);
        case Way::Memory:
            return PelgraAudio_LoadSampleMemory(bytes.data(), static_cast<long long>(bytes.size()),
                                                FSOUND_NORMAL);
        default:
            return PelgraAudio_LoadSampleIO(&kCallbacks, &file, FSOUND_NORMAL);
        }
    }

    FMUSIC_MODULE* loadSong(Way way, const Bytes& bytes, CallbackFile& file) {
        file.bytes = bytes;
        file.tellsSize = way != Way::CallbacksOfUnknownSize;
        switch (way) {
        case Way::File:
            return FMUSIC_LoadSong(m_folder.writeBytes("song", bytes).c_str());
        case Way::Memory:
            return PelgraAudio_LoadSongMemory(bytes.data(), static_cast<long long>(bytes.size()));
        default:
            return PelgraAudio_LoadSongIO(&kCallbacks, &file);
        }
    }

    // What a fresh run renders of the sound, or of the song, loaded the given way.
    std::vector<float> renderedSample(Way way, const Bytes& bytes) {
        start(32);
        CallbackFile file;
        FSOUND_SAMPLE* sample = loadSample(way, bytes, file);
        EXPECT_NE(sample, nullptr) << PelgraAudio_GetError();
        FSOUND_PlaySound(FSOUND_FREE, sample);
        return render(kSecond / 4);
    }
    std::vector<float> renderedSong(Way way, const Bytes& bytes) {
        start(32);
        CallbackFile file;
        FMUSIC_MODULE* song = loadSong(way, bytes, file);
        EXPECT_NE(song, nullptr) << PelgraAudio_GetError();
        FMUSIC_PlaySong(song);
        std::vector<float> out = render(kSecond / 2);
        FSOUND_Close();
        EXPECT_EQ(file.closes, way >= Way::Callbacks ? 1 : 0);
        return out;
    }

    Bytes soundFile(int format, int sampleRate, int channels, int frames) {
        return testsupport::readBytes(
            m_folder.writeSine("made", {sampleRate, channels, frames, 440.0, 0.5, format}));
    }

    // Loading the bytes every other way fails with the code the file gave, and closes
    // the callbacks once.
    template <typename Load> static void expectSameError(int fileError, Load&& load) {
        for (const Way way : kOtherWays) {
            CallbackFile file;
            EXPECT_EQ(load(way, file), nullptr) << static_cast<int>(way);
            EXPECT_EQ(PelgraAudio_GetError(), fileError) << static_cast<int>(way);
            EXPECT_EQ(file.closes, way == Way::Memory ? 0 : 1);
        }
    }
};

TEST_F(SourceLoadTest, SoundsDecodeToTheSameFramesFromFileMemoryAndCallbacks) {
    const struct {
        const char* name;
        int format;
        int rate;
    } formats[] = {{"WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
                   {"FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050},
                   {"Ogg Vorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
                   {"Opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
                   {"MP3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100}};
    for (const auto& format : formats) {
        const Bytes bytes = soundFile(format.format, format.rate, 2, format.rate / 2);
        const std::vector<float> fromFile = renderedSample(Way::File, bytes);
        ASSERT_GT(measure::peak(fromFile, 0), 0.3f) << format.name;
        for (const Way way : kOtherWays) {
            EXPECT_EQ(renderedSample(way, bytes), fromFile)
                << format.name << " way " << static_cast<int>(way);
        }
    }
}

TEST_F(SourceLoadTest, SongsPlayTheSameFramesFromFileMemoryAndCallbacks) {
    const auto asBytes = [](const std::vector<std::uint8_t>& song) {
        return Bytes(song.begin(), song.end());
    };
    std::vector<std::pair<std::string, Bytes>> songs = {
        {"module", asBytes(pelgra::gen::makeDemoModule())},
        {"streamed Ogg Vorbis", soundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 30000)}};
#if defined(PELGRA_TESTS_HAVE_MIDI)
    songs.emplace_back("MIDI", asBytes(pelgra::gen::makeDemoMidi()));
#endif
    for (const auto& [name, bytes] : songs) {
        start(32);
        CallbackFile probe;
        if (name == "MIDI" && loadSong(Way::Memory, bytes, probe) == nullptr) {
            EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_NO_SOUNDFONT);
            continue; // no SoundFont here: MIDI songs cannot be heard at all
        }
        const std::vector<float> fromFile = renderedSong(Way::File, bytes);
        ASSERT_GT(measure::peak(fromFile, 0), 0.05f) << name;
        for (const Way way : kOtherWays) {
            EXPECT_EQ(renderedSong(way, bytes), fromFile)
                << name << " way " << static_cast<int>(way);
        }
    }
}

TEST_F(SourceLoadTest, AStreamedSongReadsOnlyOnTheSongWorkerOnceLoaded) {
#if !defined(__linux__)
    GTEST_SKIP() << "thread names are read through pthreads";
#endif
    CallbackFile file;
    // A third of a second, so that the song loops (and seeks) while it plays.
    FMUSIC_MODULE* song = loadSong(
        Way::Callbacks, soundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 15000), file);
    ASSERT_NE(song, nullptr);
    file.noteThreads = true;
    FMUSIC_PlaySong(song);
    render(kSecond);
    FMUSIC_StopSong(song);
    FMUSIC_PlaySong(song);
    render(kSecond / 2);
    EXPECT_EQ(file.threads, std::set<std::string>{"pelgra-songs"});
    EXPECT_EQ(file.closes, 0) << "the song still streams";
    ASSERT_EQ(FMUSIC_FreeSong(song), 1);
    EXPECT_EQ(file.closes, 1);
}

TEST_F(SourceLoadTest, CloseRunsOnceWhateverBecomesOfTheLoad) {
    const Bytes wav = soundFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kSecond, 1, 64);
    const Bytes ogg = soundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 8000);
    const Bytes module = [] {
        const std::vector<std::uint8_t> song = pelgra::gen::makeDemoModule();
        return Bytes(song.begin(), song.end());
    }();

    // Loads that succeed: a sound and a module are read whole during the call, a
    // streamed song is let go at its free or at the close of the library.
    CallbackFile sound;
    EXPECT_NE(loadSample(Way::Callbacks, wav, sound), nullptr);
    EXPECT_EQ(sound.closes, 1);
    CallbackFile tune;
    EXPECT_NE(loadSong(Way::Callbacks, module, tune), nullptr);
    EXPECT_EQ(tune.closes, 1);
    CallbackFile stream;
    FMUSIC_MODULE* streamed = loadSong(Way::Callbacks, ogg, stream);
    ASSERT_NE(streamed, nullptr);
    EXPECT_EQ(stream.closes, 0);
    FMUSIC_FreeSong(streamed);
    EXPECT_EQ(stream.closes, 1);
    CallbackFile open;
    ASSERT_NE(loadSong(Way::Callbacks, ogg, open), nullptr);
    FSOUND_Close();
    EXPECT_EQ(open.closes, 1);

    // Loads that fail: before the start, with a structure short of a member, on bytes
    // that are no sound, and with every sample handle taken.
    const auto failsClosingOnce = [&](const PelgraAudioIO& io, const Bytes& bytes, int error) {
        for (const bool song : {false, true}) {
            CallbackFile file;
            file.bytes = bytes;
            EXPECT_EQ(song ? static_cast<void*>(PelgraAudio_LoadSongIO(&io, &file))
                           : static_cast<void*>(PelgraAudio_LoadSampleIO(&io, &file, 0)),
                      nullptr);
            EXPECT_EQ(PelgraAudio_GetError(), error) << "song " << song;
            EXPECT_EQ(file.closes, 1) << "song " << song;
        }
    };
    failsClosingOnce(kCallbacks, wav, PELGRA_AUDIO_ERR_UNINITIALIZED);
    start(32);
    PelgraAudioIO noRead = kCallbacks;
    noRead.read = nullptr;
    PelgraAudioIO noSeek = kCallbacks;
    noSeek.seek = nullptr;
    PelgraAudioIO noTell = kCallbacks;
    noTell.tell = nullptr;
    for (const PelgraAudioIO& incomplete : {noRead, noSeek, noTell}) {
        failsClosingOnce(incomplete, wav, PELGRA_AUDIO_ERR_INVALID_PARAM);
    }
    failsClosingOnce(kCallbacks, Bytes(3000, 0x5A), PELGRA_AUDIO_ERR_FILE_FORMAT);
    EXPECT_EQ(PelgraAudio_LoadSampleIO(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);

    // 65535 samples loaded at once; the next is decoded, then refused a handle.
    for (int loaded = 0; loaded < 65535; ++loaded) {
        ASSERT_NE(PelgraAudio_LoadSampleMemory(wav.data(), static_cast<long long>(wav.size()), 0),
                  nullptr);
    }
    CallbackFile spare;
    EXPECT_EQ(loadSample(Way::Callbacks, wav, spare), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_LIMIT);
    EXPECT_EQ(spare.closes, 1);
}

TEST_F(SourceLoadTest, CutShortRandomAndFailingBytesFailAsABadFileDoes) {
    std::mt19937 random(11);
    Bytes noise(20000);
    for (unsigned char& byte : noise) {
        byte = static_cast<unsigned char>(random());
    }
    const Bytes wav = soundFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 20000);
    const Bytes flac = soundFile(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 20000);
    const Bytes ogg = soundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 20000);
    const std::vector<std::uint8_t> demo = pelgra::gen::makeDemoModule();
    const Bytes module(demo.begin(), demo.begin() + static_cast<std::ptrdiff_t>(demo.size() / 3));
    const auto half = [](const Bytes& bytes) {
        return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    };

    for (const Bytes& bad : {noise, half(wav), half(flac), half(ogg), module}) {
        CallbackFile unused;
        ASSERT_EQ(loadSample(Way::File, bad, unused), nullptr);
        const int fileError = PelgraAudio_GetError();
        EXPECT_TRUE(fileError == PELGRA_AUDIO_ERR_FILE_BAD ||
                    fileError == PELGRA_AUDIO_ERR_FILE_FORMAT);
        expectSameError(fileError, [&](Way way, CallbackFile& file) {
            return static_cast<void*>(loadSample(way, bad, file));
        });
        const bool songFails = loadSong(Way::File, bad, unused) == nullptr;
        const int songError = PelgraAudio_GetError();
        if (songFails) {
            expectSameError(songError, [&](Way way, CallbackFile& file) {
                return static_cast<void*>(loadSong(way, bad, file));
            });
        }
    }

    // Callbacks that fail partway, or answer with more than they were asked for.
    for (const Bytes& good : {wav, ogg}) {
        for (const bool over : {false, true}) {
            CallbackFile file;
            file.bytes = good;
            file.failReadsFrom = over ? -1 : static_cast<long long>(good.size()) / 2;
            file.overReads = over;
            EXPECT_EQ(PelgraAudio_LoadSampleIO(&kCallbacks, &file, 0), nullptr);
            EXPECT_TRUE(PelgraAudio_GetError() == PELGRA_AUDIO_ERR_FILE_BAD ||
                        PelgraAudio_GetError() == PELGRA_AUDIO_ERR_FILE_FORMAT);
            EXPECT_EQ(file.closes, 1);
        }
    }

    EXPECT_EQ(PelgraAudio_LoadSampleMemory(nullptr, 100, 0), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(PelgraAudio_LoadSongMemory(wav.data(), 0), nullptr);
    EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_INVALID_PARAM);
}

} // namespace
