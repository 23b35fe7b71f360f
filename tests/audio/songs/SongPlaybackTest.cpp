// Module songs driven through mixInto() as the audio thread drives them.
#include "SongFiles.h"

#include "DemoSongs.h"
#include "ModuleWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using pelgra::audio::MixInto;
using pelgra::audio::Song;
using namespace songtest;

namespace {

constexpr int kWhile = 8192; // frames: long enough for several notes to sound

// One pattern, fast: a saw note at the first row, silenced half-way through. Played
// once it ends in silence; looping, it sounds again every 64 ticks.
std::vector<std::uint8_t> shortSawModule() {
    using pelgra::gen::ModuleWriter;
    constexpr int kSetSpeed = 0xF;
    constexpr int kSetVolume = 0xC;
    ModuleWriter module("short saw");
    const int saw = module.addInstrument(pelgra::gen::Waveform::Saw);
    const int pattern = module.addPattern();
    module.setNote(pattern, 0, 0, saw, 24);
    module.setEffect(pattern, 0, 1, kSetSpeed, 1);
    module.setEffect(pattern, ModuleWriter::kRows / 2, 0, kSetVolume, 0);
    return module.build();
}

class SongPlayback : public testing::Test {
protected:
    SongFiles m_files;
    std::string m_demo = m_files.write("demo.mod", pelgra::gen::makeDemoModule());
    std::string m_saw = m_files.write("saw.mod", shortSawModule());

    // The first frames of a song played for the first time.
    std::vector<float> freshStart(const std::string& path, int frames) {
        std::unique_ptr<Song> fresh = openSong(path);
        fresh->play();
        return pull(*fresh, frames);
    }
};

TEST_F(SongPlayback, IsSilentUntilPlayedThenSoundsFromTheFirstFrames) {
    std::unique_ptr<Song> song = openSong(m_demo);
    EXPECT_FALSE(song->isPlaying());
    EXPECT_EQ(peak(pull(*song, kWhile)), 0.0f);

    song->play();
    EXPECT_TRUE(song->isPlaying());
    EXPECT_FALSE(song->resting()) << "a playing song is pulled, rendered ahead or not";
    const std::vector<float> out = pull(*song, kWhile);
    EXPECT_GT(peak(out, 0, song->rampFrames()), 0.0f);
    EXPECT_GT(peak(out), 0.05f);
    EXPECT_LE(peak(out), 1.0f);
}

TEST_F(SongPlayback, PauseFadesToSilenceAndResumeContinuesWhereItWas) {
    std::unique_ptr<Song> song = openSong(m_demo);
    std::unique_ptr<Song> reference = openSong(m_demo);
    song->play();
    reference->play();
    pull(*song, kWhile);
    pull(*reference, kWhile);
    const int fade = song->rampFrames();

    song->setPaused(true);
    const std::vector<float> paused = pull(*song, kWhile);
    EXPECT_GT(peak(paused, 0, fade), 0.0f);
    EXPECT_EQ(peak(paused, fade, kWhile), 0.0f);
    EXPECT_TRUE(song->isPlaying());
    EXPECT_TRUE(song->resting()) << "paused and faded out";

    // The fade-out used up `fade` frames of the song; after the fade-in the song goes
    // on exactly as the reference that never paused.
    song->setPaused(false);
    EXPECT_FALSE(song->resting());
    const std::vector<float> resumed = pull(*song, kWhile);
    pull(*reference, 2 * fade);
    const std::vector<float> expected = pull(*reference, kWhile - fade);
    EXPECT_EQ(firstDifference(resumed, fade, expected), -1);
}

TEST_F(SongPlayback, StopFadesOutAndPlayAfterwardsStartsFromTheBeginning) {
    std::unique_ptr<Song> song = openSong(m_demo);
    song->play();
    pull(*song, 3 * kWhile);
    song->stop();
    EXPECT_FALSE(song->isPlaying());
    EXPECT_FALSE(song->resting()) << "its fade-out is still to be mixed";
    const std::vector<float> stopped = pull(*song, kWhile);
    EXPECT_EQ(peak(stopped, song->rampFrames(), kWhile), 0.0f);
    EXPECT_TRUE(song->resting());

    song->play();
    EXPECT_EQ(firstDifference(pull(*song, kWhile), 0, freshStart(m_demo, kWhile)), -1);
}

TEST_F(SongPlayback, PlayWhilePlayingFadesTheOldSoundOutThenStartsOver) {
    std::unique_ptr<Song> song = openSong(m_demo);
    song->play();
    pull(*song, 3 * kWhile);
    song->play();
    const int fade = song->rampFrames();
    const std::vector<float> replay = pull(*song, fade + kWhile);
    EXPECT_GT(peak(replay, 0, fade), 0.0f);
    EXPECT_EQ(firstDifference(replay, fade, freshStart(m_demo, kWhile)), -1);
}

TEST_F(SongPlayback, PausedSongStartsOverWhenPlayed) {
    std::unique_ptr<Song> song = openSong(m_demo);
    song->play();
    pull(*song, 3 * kWhile);
    song->setPaused(true);
    pull(*song, kWhile);
    song->play();
    EXPECT_EQ(firstDifference(pull(*song, kWhile), 0, freshStart(m_demo, kWhile)), -1);
}

TEST_F(SongPlayback, TwoSongsMixAsTheirSum) {
    std::unique_ptr<Song> first = openSong(m_demo);
    std::unique_ptr<Song> second = openSong(m_saw);
    first->play();
    second->play();
    const std::vector<float> mixed = pull({first.get(), second.get()}, kWhile);

    std::vector<float> sum = freshStart(m_demo, kWhile);
    const std::vector<float> alone = freshStart(m_saw, kWhile);
    for (std::size_t i = 0; i < sum.size(); ++i) {
        sum[i] += alone[i];
    }
    EXPECT_EQ(firstDifference(mixed, 0, sum), -1);
    EXPECT_GT(peak(alone), 0.0f);
}

// The mixer folds the music gain into each song's mix: under it, a song sounds as alone
// times that gain, frame by frame, whether the gain glides or holds while the song fades
// in, fades its own volume or plays steady, and whether the song adds to the block or
// writes over it (nothing of what the block held, NaN here, is left).
TEST_F(SongPlayback, AnOuterGainScalesTheSongFrameByFrameThroughItsFades) {
    constexpr int kBlock = 256;
    constexpr int kBlocks = 16;
    std::unique_ptr<Song> plain = openSong(m_demo);
    std::unique_ptr<Song> scaled = openSong(m_demo);
    for (Song* song : {plain.get(), scaled.get()}) {
        song->fadeVolume(64, 8 * kBlock + 100, false);
        song->play();
    }
    std::vector<float> expected(2 * kBlock);
    std::vector<float> actual(2 * kBlock);
    float worst = 0.0f;
    for (int block = 0; block < kBlocks; ++block) {
        ASSERT_TRUE(plain->awaitRendered(kBlock));
        ASSERT_TRUE(scaled->awaitRendered(kBlock));
        std::fill(expected.begin(), expected.end(), 0.0f);
        ASSERT_EQ(plain->mixInto(expected.data(), kBlock), kBlock);
        // Gliding in even blocks, holding in odd ones; adding in two, writing in the next two.
        const float gain = 0.3f + 0.04f * static_cast<float>(block);
        const float step = block % 2 == 0 ? 0.4f / kBlock : 0.0f;
        const MixInto into = block % 4 < 2 ? MixInto::Add : MixInto::Replace;
        std::fill(actual.begin(), actual.end(),
                  into == MixInto::Add ? 0.0f : std::numeric_limits<float>::quiet_NaN());
        ASSERT_EQ(scaled->mixScaled(actual.data(), kBlock, gain, step, into), kBlock);
        for (int frame = 0; frame < kBlock; ++frame) {
            const float frameGain = gain + step * static_cast<float>(frame);
            for (int side = 0; side < 2; ++side) {
                const int i = 2 * frame + side;
                const float error = std::abs(actual[i] - expected[i] * frameGain);
                worst = std::max(worst, std::isnan(error) ? 1.0f : error);
            }
        }
    }
    EXPECT_LT(worst, 1e-5f);
    EXPECT_GT(peak(expected), 0.0f);
}

TEST_F(SongPlayback, SongsLoopInsteadOfEnding) {
    std::unique_ptr<Song> song = openSong(m_saw);
    song->play();
    // At speed 1 a pass lasts 64 ticks of 20 ms; the note sounds for the first half.
    const int pass = kRate * 64 / 50;
    const std::vector<float> out = pull(*song, 3 * pass);
    EXPECT_EQ(peak(out, pass * 3 / 4, pass * 9 / 10), 0.0f);
    EXPECT_GT(peak(out, 2 * pass, 2 * pass + pass / 4), 0.0f);
}

TEST_F(SongPlayback, DestroyingAPlayingSongIsSafe) {
    std::unique_ptr<Song> song = openSong(m_demo);
    std::unique_ptr<Song> other = openSong(m_saw);
    song->play();
    other->play();
    pull({song.get(), other.get()}, kWhile);
    song.reset();
    EXPECT_GT(peak(pull(*other, kWhile)), 0.0f);
}

} // namespace
