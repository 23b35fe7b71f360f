// A gain that moves linearly to a target over a number of frames, so that starts,
// pauses, resumes and stops of voices and songs do not click. Counted in frames, not in
// wall-clock time. Audio thread only.
#ifndef PELGRA_AUDIO_GAIN_RAMP_H
#define PELGRA_AUDIO_GAIN_RAMP_H

#include <algorithm>

namespace pelgra::audio {

// Every fade of the library lasts this long: long enough not to click, short enough
// that a stop still sounds immediate.
constexpr int kFadeMillis = 4;

// The fade length at `mixRate`, at least one frame.
constexpr int fadeFramesAt(int mixRate) noexcept {
    return std::max(1, mixRate * kFadeMillis / 1000);
}

class GainRamp {
public:
    void jumpTo(float gain) noexcept {
        m_value = gain;
        m_target = gain;
        m_framesLeft = 0;
    }

    void rampTo(float target, int frames) noexcept {
        m_target = target;
        m_framesLeft = std::max(frames, 1);
        m_step = (target - m_value) / static_cast<float>(m_framesLeft);
    }

    float value() const noexcept { return m_value; }
    float target() const noexcept { return m_target; }
    bool ramping() const noexcept { return m_framesLeft > 0; }
    int framesLeft() const noexcept { return m_framesLeft; }

    // The value `frames` frames ahead (at most framesLeft()) without moving there.
    float valueAfter(int frames) const noexcept {
        return frames >= m_framesLeft ? m_target : m_value + m_step * static_cast<float>(frames);
    }

    // Moves `frames` frames on; true when the target was reached by this step.
    bool advance(int frames) noexcept {
        if (m_framesLeft == 0) {
            return false;
        }
        m_value = valueAfter(frames);
        m_framesLeft = std::max(m_framesLeft - frames, 0);
        return m_framesLeft == 0;
    }

private:
    float m_value = 0.0f;
    float m_target = 0.0f;
    float m_step = 0.0f;
    int m_framesLeft = 0;
};

} // namespace pelgra::audio

#endif
