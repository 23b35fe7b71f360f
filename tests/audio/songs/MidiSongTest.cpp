// MIDI songs through FluidSynth and the installed General MIDI SoundFont.
#include "SongFiles.h"

#include "DemoSongs.h"

#include <cstdlib>
#include <gtest/gtest.h>

using pelgra::audio::Song;
using namespace songtest;

namespace {

class MidiSong : public testing::Test {
protected:
    void SetUp() override {
        unsetenv("PELGRA_SOUNDFONT");
        if (!std::filesystem::exists("/usr/share/sounds/sf2/TimGM6mb.sf2")) {
            GTEST_SKIP() << "the timgm6mb-soundfont package is not installed";
        }
    }

    SongFiles m_files;
    std::string m_demo = m_files.write("demo.mid", pelgra::gen::makeDemoMidi());
};

TEST_F(MidiSong, LoadsAndSounds) {
    std::unique_ptr<Song> song = openSong(m_demo);
    ASSERT_NE(song, nullptr);
    song->play();
    const std::vector<float> out = pull(*song, kRate / 2);
    EXPECT_GT(peak(out), 0.01f);
    EXPECT_LE(peak(out), 1.0f);

    song->stop();
    EXPECT_EQ(peak(pull(*song, kRate / 10), song->rampFrames(), kRate / 10), 0.0f);
}

TEST_F(MidiSong, LoopsInsteadOfEnding) {
    // The tune lasts 3.2 s; its third second after the end sounds again.
    std::unique_ptr<Song> song = openSong(m_demo);
    ASSERT_NE(song, nullptr);
    song->play();
    const std::vector<float> out = pull(*song, 5 * kRate);
    EXPECT_GT(peak(out, 4 * kRate, 5 * kRate), 0.01f);
}

} // namespace
