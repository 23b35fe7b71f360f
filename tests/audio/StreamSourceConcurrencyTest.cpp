// A source deleted right after detachSource returns is never touched by the audio
// thread again: run under ThreadSanitizer (and AddressSanitizer) by `make test`.
#include "mixer/Mixer.h"

#include "ConstantSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using pelgra::audio::Mixer;

TEST(StreamSourceConcurrencyTest, DetachWaitsOutAMixInProgress) {
    Mixer mixer(48000, 4);
    std::atomic<bool> rendering{true};
    std::thread audio([&] {
        std::vector<float> out(2 * 256);
        while (rendering.load()) {
            mixer.render(out.data(), 256);
        }
    });
    for (int round = 0; round < 2000; ++round) {
        auto source = std::make_unique<ConstantSource>(0.1f);
        const int slot = mixer.attachSource(*source);
        ASSERT_GE(slot, 0);
        std::this_thread::yield();
        mixer.detachSource(slot);
        source.reset();
    }
    rendering = false;
    audio.join();
}

} // namespace
