// Application threads work the controls and open and free songs while an audio thread
// mixes: no race, no stale or broken frames, and the songs end up where the last call
// left them. Run under ThreadSanitizer.
#include "SongFiles.h"

#include "DemoSongs.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using pelgra::audio::Song;
using namespace songtest;

namespace {

constexpr int kBlockFrames = 256;
constexpr int kCallsPerThread = 400;

void workControls(Song& first, Song& second, unsigned seed) {
    std::mt19937 generator(seed);
    for (int i = 0; i < kCallsPerThread; ++i) {
        Song& song = generator() % 2 == 0 ? first : second;
        switch (generator() % 5) {
        case 0:
            song.play();
            break;
        case 1:
            song.stop();
            break;
        case 2:
            song.setPaused(true);
            break;
        case 3:
            song.setPaused(false);
            break;
        default:
            song.isPlaying();
            EXPECT_GE(song.positionMs(), 0);
            break;
        }
    }
}

TEST(SongConcurrency, ControlsAndFreeingWhileTheAudioThreadMixes) {
    SongFiles files;
    const std::string path = files.write("demo.mod", pelgra::gen::makeDemoModule());
    std::unique_ptr<Song> first = openSong(path);
    std::unique_ptr<Song> second = openSong(path);

    std::atomic<bool> mixing{true};
    std::atomic<int> badFrames{0};
    std::thread audio([&] {
        std::vector<float> block(2 * kBlockFrames);
        while (mixing.load()) {
            std::fill(block.begin(), block.end(), 0.0f);
            first->mixInto(block.data(), kBlockFrames);
            second->mixInto(block.data(), kBlockFrames);
            for (float sample : block) {
                if (!std::isfinite(sample) || std::fabs(sample) > 2.0f) {
                    ++badFrames;
                }
            }
            std::this_thread::yield();
        }
    });
    std::thread controlsA(workControls, std::ref(*first), std::ref(*second), 1U);
    std::thread controlsB(workControls, std::ref(*first), std::ref(*second), 2U);
    std::thread churn([&] {
        for (int i = 0; i < 20; ++i) {
            std::unique_ptr<Song> passing = openSong(path);
            passing->play();
        }
    });
    controlsA.join();
    controlsB.join();
    churn.join();

    first->stop();
    second->play();
    second->setPaused(true);
    mixing = false;
    audio.join();
    EXPECT_EQ(badFrames.load(), 0);
    EXPECT_FALSE(first->isPlaying());
    EXPECT_TRUE(second->isPlaying());

    // Both fade to silence, and the paused song resumes.
    const int fade = first->rampFrames();
    EXPECT_EQ(peak(pull({first.get(), second.get()}, 4 * fade), fade, 4 * fade), 0.0f);
    second->setPaused(false);
    EXPECT_GT(peak(pull(*second, 4096)), 0.0f);
}

} // namespace
