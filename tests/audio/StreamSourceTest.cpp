// Stream sources (songs) in the mixer: at the music gain beside the voices, and safe
// to delete once detached.
#include "mixer/Mixer.h"
#include "sample/Sample.h"

#include "ConstantSource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using pelgra::audio::Mixer;
using pelgra::audio::Sample;

std::unique_ptr<Sample> constantSample(float value) {
    auto sample = std::make_unique<Sample>();
    sample->frames = 1000;
    sample->data.assign(1000, value);
    sample->loops = true;
    return sample;
}

TEST(StreamSourceTest, SourcesPlayAtFullLevelBesideAttenuatedVoices) {
    Mixer mixer(48000, 4);
    ConstantSource song(0.25f);
    const std::unique_ptr<Sample> effect = constantSample(0.5f);
    ASSERT_GE(mixer.attachSource(song), 0);
    mixer.play(Mixer::kAnyVoice, *effect);
    mixer.setMasterGain(0.5f);
    mixer.setPaused(Mixer::kAllVoices, false);

    std::vector<float> out(2 * 512);
    mixer.render(out.data(), 512);
    mixer.render(out.data(), 512); // the master gain has settled
    EXPECT_FLOAT_EQ(out[1000], 0.25f + 0.5f * 0.5f);

    mixer.stop(Mixer::kAllVoices);
    mixer.render(out.data(), 512);
    mixer.render(out.data(), 512);
    EXPECT_FLOAT_EQ(out[1000], 0.25f) << "stopping every voice leaves the song";
}

TEST(StreamSourceTest, MusicGainScalesSourcesOnlyAndGlidesOverOneBlock) {
    Mixer mixer(48000, 4);
    ConstantSource song(0.5f);
    const std::unique_ptr<Sample> effect = constantSample(0.25f);
    mixer.setLimiterEnabled(false); // its look-ahead would delay the samples looked at
    mixer.setMusicGain(0.5f);
    ASSERT_GE(mixer.attachSource(song), 0);
    std::vector<float> out(2 * Mixer::kBlockFrames);
    mixer.render(out.data(), Mixer::kBlockFrames);
    EXPECT_FLOAT_EQ(out[0], 0.25f) << "set before any source was mixed: no glide";

    mixer.setMusicGain(0.0f);
    mixer.render(out.data(), Mixer::kBlockFrames);
    // A straight line down, reaching silence with the block's end.
    EXPECT_FLOAT_EQ(out[0], 0.25f);
    EXPECT_NEAR(out[Mixer::kBlockFrames], 0.125f, 0.005f);
    EXPECT_LT(out.back(), 0.005f);
    mixer.render(out.data(), Mixer::kBlockFrames);
    EXPECT_EQ(out.back(), 0.0f);

    mixer.play(Mixer::kAnyVoice, *effect);
    mixer.render(out.data(), Mixer::kBlockFrames);
    EXPECT_FLOAT_EQ(out.back(), 0.25f) << "voices keep their level";
}

TEST(StreamSourceTest, DetachedSourcesAreNoLongerPulled) {
    Mixer mixer(48000, 4);
    std::vector<std::unique_ptr<ConstantSource>> sources;
    for (int slot = 0; slot < Mixer::kSourceSlots; ++slot) {
        sources.push_back(std::make_unique<ConstantSource>(0.0f));
        ASSERT_EQ(mixer.attachSource(*sources.back()), slot);
    }
    ConstantSource extra(0.0f);
    EXPECT_EQ(mixer.attachSource(extra), -1) << "every slot taken";

    std::vector<float> out(2 * 256);
    mixer.render(out.data(), 256);
    mixer.detachSource(3);
    const int pulls = sources[3]->pulls();
    mixer.render(out.data(), 256);
    EXPECT_EQ(sources[3]->pulls(), pulls);
    EXPECT_EQ(sources[4]->pulls(), 2);
    EXPECT_EQ(mixer.attachSource(extra), 3) << "the slot is free again";
}

// A stopped song whose fade-out has been mixed costs an idle callback nothing: the mixer
// stops pulling it until the application wakes its slot.
TEST(StreamSourceTest, ARestingSourceIsNotPulledUntilItsSlotIsWoken) {
    Mixer mixer(48000, 4);
    ConstantSource song(0.25f);
    const int slot = mixer.attachSource(song);
    std::vector<float> out(2 * Mixer::kBlockFrames);
    mixer.render(out.data(), Mixer::kBlockFrames);
    song.setResting(true);
    mixer.render(out.data(), Mixer::kBlockFrames);
    EXPECT_EQ(song.pulls(), 2);
    for (int callback = 0; callback < 10; ++callback) {
        mixer.render(out.data(), Mixer::kBlockFrames);
    }
    EXPECT_EQ(song.pulls(), 2) << "pulled while resting";
    EXPECT_EQ(out.back(), 0.0f);

    song.setResting(false);
    mixer.wakeSource(slot);
    mixer.render(out.data(), Mixer::kBlockFrames);
    mixer.render(out.data(), Mixer::kBlockFrames); // past the limiter's delay
    EXPECT_EQ(song.pulls(), 4);
    EXPECT_FLOAT_EQ(out.back(), 0.25f);
}

} // namespace
