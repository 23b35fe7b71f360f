// The real-time rules, checked where they matter rather than by reading: while the null
// output mixes a busy scene in real time (sound effects starting and stopping, pitched and
// panned, songs of every kind, volume changes, pauses, the limiter at work), the audio
// thread makes no allocation and no lock or wait call. RealTimeCallTrap.cpp traps them on
// that thread, which it knows by the name the library gives it.
#include "DemoSongs.h"
#include "PelgraAudio.h"
#include "RealTimeCallTrap.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pthread.h>
#include <set>
#include <thread>
#include <vector>

namespace {

// The names of the process's threads, as the system lists them.
std::set<std::string> threadNames() {
    std::set<std::string> names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        names.insert(name);
    }
    return names;
}

// Polls until `done()` holds; false after 20 s (a busy machine is slow, not wrong).
template <typename Condition> bool eventually(Condition done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

PelgraAudioStats stats() {
    PelgraAudioStats figures{};
    PelgraAudio_GetStats(&figures);
    return figures;
}

TEST(RealTimeCallTrap, CatchesAllocationAndLocksOnTheAudioThreadOnly) {
    std::mutex mutex;
    const auto allocateAndLock = [&] {
        auto* volatile list = new std::vector<int>(8);
        delete list;
        const std::lock_guard<std::mutex> lock(mutex);
    };
    calltrap::arm();
    allocateAndLock(); // on the test's thread: allowed
    const int onTestThread = calltrap::trappedCalls();
    std::thread([&] {
        pthread_setname_np(pthread_self(), calltrap::kAudioThreadName);
        allocateAndLock();
    }).join();
    calltrap::disarm();
    EXPECT_EQ(onTestThread, 0);
    const std::string report = calltrap::report();
    EXPECT_NE(report.find("malloc x"), std::string::npos) << report;
    EXPECT_NE(report.find("free x"), std::string::npos) << report;
    EXPECT_NE(report.find("pthread_mutex_lock x"), std::string::npos) << report;
    EXPECT_NE(report.find("first one made at:"), std::string::npos) << report;
}

class RealTimeRules : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(PelgraAudio_SetOutput("null"), 1);
        ASSERT_EQ(FSOUND_Init(48000, 32, 0), 1);
    }
    void TearDown() override {
        calltrap::disarm();
        FSOUND_Close();
        PelgraAudio_SetOutput(nullptr);
    }

    testsupport::ScratchFolder m_folder;
};

TEST_F(RealTimeRules, AudioThreadNeitherAllocatesNorLocksInABusyScene) {
    FSOUND_SAMPLE* blip = FSOUND_Sample_Load(
        FSOUND_FREE, m_folder.writeSine("blip.wav", {48000, 1, 2400, 880.0, 0.9}).c_str(),
        FSOUND_NORMAL, 0, 0);
    // At 44.1 kHz, so that loading resamples; four together are loud enough for the limiter.
    const std::string humFile = m_folder.writeSine("hum.wav", {44100, 2, 22050, 220.0, 0.9});
    FSOUND_SAMPLE* hum =
        FSOUND_Sample_Load(FSOUND_FREE, humFile.c_str(), FSOUND_NORMAL | FSOUND_LOOP_NORMAL, 0, 0);
    ASSERT_NE(blip, nullptr);
    ASSERT_NE(hum, nullptr);

    // A module, a MIDI song and a recording: streamed, as every sampled audio file loaded
    // as a song is, in a few chunks, and looping.
    std::vector<FMUSIC_MODULE*> songs;
    const std::string module = m_folder.path("demo.mod");
    ASSERT_TRUE(pelgra::gen::writeFile(module, pelgra::gen::makeDemoModule()));
    songs.push_back(FMUSIC_LoadSong(module.c_str()));
    const std::string recording = m_folder.writeSine("recording.wav", {44100, 2, 8820, 330.0, 0.5});
    songs.push_back(FMUSIC_LoadSong(recording.c_str()));
#if defined(PELGRA_TESTS_HAVE_MIDI)
    const std::string midi = m_folder.path("demo.mid");
    ASSERT_TRUE(pelgra::gen::writeFile(midi, pelgra::gen::makeDemoMidi()));
    if (FMUSIC_MODULE* tune = FMUSIC_LoadSong(midi.c_str())) {
        songs.push_back(tune);
    } else {
        EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_NO_SOUNDFONT)
            << "only MIDI without a SoundFont is left out";
    }
#endif
    for (FMUSIC_MODULE* song : songs) {
        ASSERT_NE(song, nullptr);
    }

    // The trap knows the audio thread by its name: without it, the test would prove nothing.
    const std::set<std::string> names = threadNames();
    ASSERT_EQ(names.count(calltrap::kAudioThreadName), 1u);
    EXPECT_EQ(names.count("pelgra-songs"), 1u);

    calltrap::arm();
    int loop = -1;
    for (int round = 0; round < 96; ++round) {
        // Blips at pitches that end them between frames; the loop pitched, panned and
        // quieter, gliding to another pitch while it plays.
        const int blipVoice = FSOUND_PlaySound(FSOUND_FREE, blip);
        PelgraAudio_SetVoicePitch(blipVoice, 0.25f + 0.15f * static_cast<float>(round % 25));
        if (round % 12 == 0) {
            loop = FSOUND_PlaySound(FSOUND_FREE, hum);
            PelgraAudio_SetVoicePitch(loop, 1.37f);
            PelgraAudio_SetVoicePan(loop, -100);
            PelgraAudio_SetVoiceVolume(loop, 200);
        } else if (round % 12 == 3) {
            PelgraAudio_SetVoicePitch(loop, 0.61f);
            PelgraAudio_SetVoicePan(loop, 90);
        } else if (round % 12 == 6) {
            FSOUND_StopSound(loop);
        }
        if (round % 16 == 8) {
            FSOUND_SetPaused(FSOUND_ALL, 1);
        } else if (round % 16 == 10) {
            FSOUND_SetPaused(FSOUND_ALL, 0);
        }
        if (round == 48) {
            // Freed while voices play it: they let go of it on the audio thread.
            FSOUND_Sample_Free(blip);
            blip = FSOUND_Sample_Load(FSOUND_FREE, m_folder.path("blip.wav").c_str(), FSOUND_NORMAL,
                                      0, 0);
            ASSERT_NE(blip, nullptr);
        }
        FSOUND_SetSFXMasterVolume(255 - (round * 37) % 200);
        PelgraAudio_SetMusicVolume(255 - (round * 53) % 200);

        FMUSIC_MODULE* song = songs[static_cast<std::size_t>(round) % songs.size()];
        switch (round / static_cast<int>(songs.size()) % 5) {
        case 0:
        case 1: // the second time over itself, while it plays
            FMUSIC_PlaySong(song);
            break;
        case 2:
            FMUSIC_SetPaused(song, 1);
            break;
        case 3:
            FMUSIC_SetPaused(song, 0);
            break;
        default:
            FMUSIC_StopSong(song);
            break;
        }
        // Song volumes glide and fade on the audio thread, and a fade-out stops its song there.
        if (round % 6 == 1) {
            PelgraAudio_FadeSong(song, (round * 41) % 256, 40);
        } else if (round % 6 == 3) {
            PelgraAudio_FadeSongOut(song, 20);
        } else if (round % 6 == 5) {
            PelgraAudio_SetSongVolume(song, 255 - round);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Every song playing at once (long enough for the recording to loop) under four loud
    // voices: the limiter holds the sum down.
    FSOUND_SetSFXMasterVolume(255);
    PelgraAudio_SetMusicVolume(255);
    for (FMUSIC_MODULE* song : songs) {
        PelgraAudio_SetSongVolume(song, 255);
        FMUSIC_PlaySong(song);
    }
    for (int voice = 0; voice < 4; ++voice) {
        FSOUND_PlaySound(FSOUND_FREE, hum);
    }
    const unsigned long long mixedBefore = stats().framesMixed;
    EXPECT_TRUE(eventually([&] {
        const PelgraAudioStats now = stats();
        return now.framesMixed > mixedBefore + 24000 && now.gainReductionDb > 1.0f;
    }));
    FSOUND_StopSound(FSOUND_ALL);
    EXPECT_TRUE(eventually([] { return stats().voicesInUse == 0 && stats().peakLeft > 0.01f; }))
        << "the songs are heard on their own";
    FMUSIC_StopAllSongs();

    calltrap::disarm();
    EXPECT_EQ(calltrap::trappedCalls(), 0) << calltrap::report();
}

} // namespace
