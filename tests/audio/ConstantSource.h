// A stream source for tests of the mixer's source slots.
#ifndef PELGRA_TESTS_AUDIO_CONSTANT_SOURCE_H
#define PELGRA_TESTS_AUDIO_CONSTANT_SOURCE_H

#include "mixer/StreamSource.h"

#include <atomic>

// Adds a constant to both sides; counts how often it was pulled; rests when told to.
class ConstantSource final : public pelgra::audio::StreamSource {
public:
    explicit ConstantSource(float value) : m_value(value) {}
    int mixInto(float* interleavedStereo, int frames) noexcept override {
        for (int i = 0; i < 2 * frames; ++i) {
            interleavedStereo[i] += m_value;
        }
        m_pulls.fetch_add(1, std::memory_order_relaxed);
        return frames;
    }
    int pulls() const { return m_pulls.load(); }
    bool resting() const noexcept override { return m_resting.load(); }
    void setResting(bool resting) { m_resting.store(resting); }

private:
    float m_value;
    std::atomic<int> m_pulls{0};
    std::atomic<bool> m_resting{false};
};

#endif
