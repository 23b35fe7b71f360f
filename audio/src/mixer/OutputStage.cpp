#include "mixer/OutputStage.h"

namespace pelgra::audio {

void OutputStage::beginCallback() noexcept {
    const bool wanted = m_limiterWanted.load(std::memory_order_relaxed);
    if (wanted && !m_limiting) {
        m_limiter.reset();
        m_silentFramesIn = m_limiter.delayFrames();
    }
    m_limiting = wanted;
}

void OutputStage::finish(const float* accumulator, float* out, int frames, bool silentInput,
                         float& peakLeft, float& peakRight) noexcept {
    if (m_limiting) {
        m_limiter.process(accumulator, out, frames, m_clip);
        countSilentInput(silentInput, frames);
    } else {
        m_clip.clip(accumulator, out, frames);
    }
    m_clip.takePeaks(peakLeft, peakRight);
}

void OutputStage::countSilentInput(bool silentInput, int frames) noexcept {
    const int delay = m_limiter.delayFrames();
    if (!silentInput) {
        m_silentFramesIn = 0;
    } else if (m_silentFramesIn < delay) {
        m_silentFramesIn += frames;
        if (m_silentFramesIn >= delay) {
            // Its delay holds only silence now. Reset, it is as a long silence would leave
            // it: callbacks that skip it change nothing, and the next sound meets the same
            // limiter whichever way the callbacks in between went.
            m_limiter.reset();
        }
    }
}

} // namespace pelgra::audio
