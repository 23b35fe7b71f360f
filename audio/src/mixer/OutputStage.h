// The end of the mix path: the look-ahead limiter (unless the application switched it
// off), then the clamp to full scale, which the limiter leaves nothing to do, and the
// peak meter; the clamp takes the limiter's delayed frames straight from its delay.
#ifndef PELGRA_AUDIO_OUTPUT_STAGE_H
#define PELGRA_AUDIO_OUTPUT_STAGE_H

#include "mixer/Limiter.h"
#include "mixer/OutputClip.h"

#include <atomic>

namespace pelgra::audio {

class OutputStage {
public:
    explicit OutputStage(int mixRate)
        : m_limiter(mixRate), m_silentFramesIn(m_limiter.delayFrames()) {}

    // Any thread; takes effect at the next callback.
    void setLimiterEnabled(bool enabled) {
        m_limiterWanted.store(enabled, std::memory_order_relaxed);
    }

    // ---- Audio side ----

    // Picks up the switch once per callback. A limiter switched back on starts from
    // silence in its delay, so its first few milliseconds are quiet.
    void beginCallback() noexcept;
    // Turns the summed frames in `accumulator` into output frames; returns the peaks of
    // each side. `silentInput`: nothing was mixed into them.
    void finish(const float* accumulator, float* out, int frames, bool silentInput, float& peakLeft,
                float& peakRight) noexcept;
    // True when the stage holds nothing still to be heard: the limiter is off, or its
    // delay has taken in nothing but silence since it last heard a sound. A callback
    // with nothing to mix may then write silence itself and leave the stage alone.
    bool drained() const noexcept {
        return !m_limiting || m_silentFramesIn >= m_limiter.delayFrames();
    }
    // The lowest gain the limiter applied since the previous call, 1 when none.
    float takeLowestGain() noexcept { return m_limiter.takeLowestGain(); }

private:
    void countSilentInput(bool silentInput, int frames) noexcept;

    Limiter m_limiter;
    OutputClip m_clip;
    std::atomic<bool> m_limiterWanted{true};
    bool m_limiting = true;
    // Silent frames the limiter has taken in since its last sound, counted up to its delay.
    int m_silentFramesIn;
};

} // namespace pelgra::audio

#endif
