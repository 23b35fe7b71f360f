// The end of the mix path: the look-ahead limiter (unless the application switched it
// off), then the clamp to full scale, which the limiter leaves nothing to do, and the
// peak meter.
#ifndef PELGRA_AUDIO_OUTPUT_STAGE_H
#define PELGRA_AUDIO_OUTPUT_STAGE_H

#include "mixer/Limiter.h"

#include <atomic>

namespace pelgra::audio {

class OutputStage {
public:
    explicit OutputStage(int mixRate) : m_limiter(mixRate) {}

    // Any thread; takes effect at the next callback.
    void setLimiterEnabled(bool enabled) {
        m_limiterWanted.store(enabled, std::memory_order_relaxed);
    }

    // ---- Audio side ----

    // Picks up the switch once per callback. A limiter switched back on starts from
    // silence in its delay, so its first few milliseconds are quiet.
    void beginCallback() noexcept;
    // Turns the summed frames in `accumulator` (overwritten) into output frames;
    // returns the peaks of each side.
    void finish(float* accumulator, float* out, int frames, float& peakLeft,
                float& peakRight) noexcept;
    // The lowest gain the limiter applied since the previous call, 1 when none.
    float takeLowestGain() noexcept { return m_limiter.takeLowestGain(); }

private:
    Limiter m_limiter;
    std::atomic<bool> m_limiterWanted{true};
    bool m_limiting = true;
};

} // namespace pelgra::audio

#endif
