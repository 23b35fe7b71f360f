// Sounds and songs loaded from memory and through the application's callbacks: the same
// frames as from a file, the callbacks' close run once whatever happens, and bad bytes
// refused as a bad file is.
#include "DemoSongs.h"
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace {

constexpr int kSecond = 48000;

using Bytes = std::vector<unsigned char>;

// Bytes served through PelgraAudioIO, noting what the library asks of them.
struct CallbackFile {
    Bytes bytes;
    long long at = 0;
    bool tellsSize = true;
    long long failReadsFrom = -1; // reads reaching past this byte fail (-1: none do)
    bool overReads = false;       // answers every read with more than was asked
    int closes = 0;
    // Set while the song worker may be reading; the names are read once it let go.
    std::atomic<bool> noteThreads{false};
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
    // A sample's or a song's handle (as void*), loaded from the bytes the given way.
    void* load(bool song, Way way, const Bytes& bytes, CallbackFile& file) {
        file.bytes = bytes;
        file.tellsSize = way != Way::CallbacksOfUnknownSize;
        const auto count = static_cast<long long>(bytes.size());
        switch (way) {
        case Way::File: {
            const std::string path = m_folder.writeBytes("loaded", bytes);
            return song ? static_cast<void*>(FMUSIC_LoadSong(path.c_str()))
                        : FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
        }
        case Way::Memory:
            return song ? static_cast<void*>(PelgraAudio_LoadSongMemory(bytes.data(), count))
                        : PelgraAudio_LoadSampleMemory(bytes.data(), count, FSOUND_NORMAL);
        default:
            return song ? static_cast<void*>(PelgraAudio_LoadSongIO(&kCallbacks, &file))
                        : PelgraAudio_LoadSampleIO(&kCallbacks, &file, FSOUND_NORMAL);
        }
    }

    // What a fresh run renders of the sound or the song loaded the given way.
    std::vector<float> rendered(bool song, Way way, const Bytes& bytes) {
        start(32);
        CallbackFile file;
        void* loaded = load(song, way, bytes, file);
        EXPECT_NE(loaded, nullptr) << PelgraAudio_GetError();
        if (song) {
            FMUSIC_PlaySong(static_cast<FMUSIC_MODULE*>(loaded));
        } else {
            FSOUND_PlaySound(FSOUND_FREE, static_cast<FSOUND_SAMPLE*>(loaded));
        }
        std::vector<float> out = render(kSecond / 2);
        FSOUND_Close();
        EXPECT_EQ(file.closes, way >= Way::Callbacks ? 1 : 0);
        return out;
    }

    Bytes soundFile(int format, int sampleRate, int channels, int frames) {
        return testsupport::readBytes(
            m_folder.writeSine("made", {sampleRate, channels, frames, 440.0, 0.5, format}));
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
        const std::vector<float> fromFile = rendered(false, Way::File, bytes);
        ASSERT_GT(measure::peak(fromFile, 0), 0.3f) << format.name;
        for (const Way way : kOtherWays) {
            EXPECT_EQ(rendered(false, way, bytes), fromFile)
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
        if (name == "MIDI" && load(true, Way::Memory, bytes, probe) == nullptr) {
            EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_NO_SOUNDFONT);
            continue; // no SoundFont here: MIDI songs cannot be heard at all
        }
        const std::vector<float> fromFile = rendered(true, Way::File, bytes);
        ASSERT_GT(measure::peak(fromFile, 0), 0.05f) << name;
        for (const Way way : kOtherWays) {
            EXPECT_EQ(rendered(true, way, bytes), fromFile)
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
    auto* song = static_cast<FMUSIC_MODULE*>(load(
        true, Way::Callbacks, soundFile(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 15000), file));
    ASSERT_NE(song, nullptr);
    file.noteThreads = true;
    FMUSIC_PlaySong(song);
    render(kSecond);
    FMUSIC_StopSong(song);
    FMUSIC_PlaySong(song);
    render(kSecond / 2);
    EXPECT_EQ(file.closes, 0) << "the song still streams";
    ASSERT_EQ(FMUSIC_FreeSong(song), 1); // returns once the worker has let go of it
    EXPECT_EQ(file.closes, 1);
    EXPECT_EQ(file.threads, std::set<std::string>{"pelgra-songs"});
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
    EXPECT_NE(load(false, Way::Callbacks, wav, sound), nullptr);
    EXPECT_EQ(sound.closes, 1);
    CallbackFile tune;
    EXPECT_NE(load(true, Way::Callbacks, module, tune), nullptr);
    EXPECT_EQ(tune.closes, 1);
    CallbackFile stream;
    auto* streamed = static_cast<FMUSIC_MODULE*>(load(true, Way::Callbacks, ogg, stream));
    ASSERT_NE(streamed, nullptr);
    EXPECT_EQ(stream.closes, 0);
    FMUSIC_FreeSong(streamed);
    EXPECT_EQ(stream.closes, 1);
    CallbackFile open;
    ASSERT_NE(load(true, Way::Callbacks, ogg, open), nullptr);
    FSOUND_Close();
    EXPECT_EQ(open.closes, 1);

    // Loads that fail: before the start, with a structure short of a member, on bytes
    // that are no sound, and with every sample handle taken.
    const auto failsClosingOnce = [&](const PelgraAudioIO& io, const Bytes& bytes, int error) {
        for (const bool song : {false, true}) {
            CallbackFile file;
            file.bytes = bytes;
            EXPECT_EQ(song ? static_cast<void*>(PelgraAudio_LoadSongIO(&io, &file))
                           : PelgraAudio_LoadSampleIO(&io, &file, 0),
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
    EXPECT_EQ(load(false, Way::Callbacks, wav, spare), nullptr);
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

    // Every way fails with the code the file gave, and closes the callbacks once. A
    // song cut short may still play what there is of it, from a file too.
    for (const Bytes& bad : {noise, half(wav), half(flac), half(ogg), module}) {
        for (const bool song : {false, true}) {
            CallbackFile unused;
            if (load(song, Way::File, bad, unused) != nullptr) {
                EXPECT_TRUE(song) << "a sound cut short is refused";
                continue;
            }
            const int fileError = PelgraAudio_GetError();
            EXPECT_TRUE(fileError == PELGRA_AUDIO_ERR_FILE_BAD ||
                        fileError == PELGRA_AUDIO_ERR_FILE_FORMAT);
            for (const Way way : kOtherWays) {
                CallbackFile file;
                EXPECT_EQ(load(song, way, bad, file), nullptr) << static_cast<int>(way);
                EXPECT_EQ(PelgraAudio_GetError(), fileError) << static_cast<int>(way);
                EXPECT_EQ(file.closes, way == Way::Memory ? 0 : 1);
            }
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
