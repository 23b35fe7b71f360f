#include "mixer/OutputStage.h"

#include "mixer/MixKernels.h"

namespace pelgra::audio {

void OutputStage::beginCallback() noexcept {
    const bool wanted = m_limiterWanted.load(std::memory_order_relaxed);
    if (wanted && !m_limiting) {
        m_limiter.reset();
    }
    m_limiting = wanted;
}

void OutputStage::finish(float* accumulator, float* out, int frames, float& peakLeft,
                         float& peakRight) noexcept {
    if (m_limiting) {
        m_limiter.process(accumulator, frames);
    }
    clipToOutput(accumulator, out, frames, peakLeft, peakRight);
}

} // namespace pelgra::audio
