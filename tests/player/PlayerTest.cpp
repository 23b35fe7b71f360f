// The player over the engine's manual output: what still sounds when a programme ends.
#include "Player.h"
#include "Controls.h"
#include "EngineSession.h"
#include "FileProgramme.h"
#include "Output.h"
#include "SoundFileWriter.h"

#include "PelgraAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include <stdlib.h>

namespace fs = std::filesystem;
using namespace pelgra::play;

namespace {

constexpr int kRate = 48000;

// Mixes as fast as asked, like the render output, and notes what the player left
// sounding when it let the output drain.
class ProbeOutput final : public Output {
public:
    ProbeOutput() : Output(kRate), m_engine("manual", kRate, 8) {}

    long long advance(long long frames) override {
        std::vector<float> block(static_cast<std::size_t>(2 * frames));
        PelgraAudio_Render(block.data(), static_cast<int>(frames));
        return frames;
    }

    void drain() override {
        advance(kRate / 10); // longer than any fade
        PelgraAudioStats stats{};
        PelgraAudio_GetStats(&stats);
        m_voicesAfterDrain = stats.voicesInUse;
    }

    int voicesAfterDrain() const { return m_voicesAfterDrain; }

private:
    EngineSession m_engine;
    int m_voicesAfterDrain = -1;
};

TEST(Player, ATimeLimitStopsWhatStillSounds) {
    std::string pattern = (fs::temp_directory_path() / "pelgra-player-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path longTone = fs::path(pattern) / "long.wav";
    std::vector<float> tone(3 * kRate);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(i)));
    }
    writeMonoWav(longTone.string(), kRate, tone.data(), tone.size());

    Options options;
    options.seconds = 0.5;
    ProbeOutput limited;
    Controls controls(false);
    Player(limited, controls, nullptr, 8).play(programmeForFile(longTone.string(), options));
    EXPECT_EQ(limited.voicesAfterDrain(), 0) << "the effect went on past --seconds";
    fs::remove_all(pattern);
}

} // namespace
