#include "mixer/Limiter.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace pelgra::audio {

namespace {

// A reduction this small (-100 dB) is none: the gain returns to exact unity and the
// mix passes untouched again.
constexpr float kNoReduction = 1e-5f;
// The gain never reaches zero, so that even a non-finite sum leaves as a signed
// infinity for the final clamp rather than as NaN.
constexpr float kDeepestGain = 1e-6f;

int delayStepsFor(int mixRate) {
    constexpr int kPerStepAndSecond = Limiter::kStepFrames * 1000;
    const int steps = (mixRate * Limiter::kLookAheadMillis + kPerStepAndSecond - 1) /
                      kPerStepAndSecond;
    return std::max(2, steps);
}

float copyWithPeak(const float* __restrict from, float* __restrict to, int samples, float peak) {
    for (int i = 0; i < samples; ++i) {
        to[i] = from[i];
        peak = std::max(peak, std::fabs(from[i]));
    }
    return peak;
}

void scaleStereo(const float* __restrict from, float* __restrict to, int frames, float gain,
                 float gainStep) {
    for (int i = 0; i < frames; ++i) {
        const float frameGain = gain + gainStep * static_cast<float>(i);
        to[2 * i] = from[2 * i] * frameGain;
        to[2 * i + 1] = from[2 * i + 1] * frameGain;
    }
}

} // namespace

Limiter::Limiter(int mixRate)
    : m_delaySteps(delayStepsFor(mixRate)),
      m_releaseDecay(static_cast<float>(
          std::exp(-kStepFrames * 1000.0 / (static_cast<double>(kReleaseMillis) * mixRate)))),
      m_delay(static_cast<std::size_t>(2 * kStepFrames * (m_delaySteps + 1))),
      m_boundaryLimits(static_cast<std::size_t>(m_delaySteps - 1)),
      m_releasedGains(static_cast<std::size_t>(m_delaySteps - 1)) {
    reset();
}

void Limiter::reset() noexcept {
    std::fill(m_delay.begin(), m_delay.end(), 0.0f);
    m_writeFrame = 0;
    // The ring holds one step more than the delay: the step leaving is the one after.
    m_readFrame = kStepFrames;
    m_stepFill = 0;
    m_stepPeak = 0.0f;
    std::fill(m_boundaryLimits.begin(), m_boundaryLimits.end(), 1.0f);
    std::fill(m_releasedGains.begin(), m_releasedGains.end(), 1.0f);
    m_windowSlot = 0;
    m_previousStepLimit = 1.0f;
    m_reduction = 0.0f;
    m_gainAtStart = 1.0f;
    m_gainAtEnd = 1.0f;
    m_lowestGain = 1.0f;
}

float Limiter::takeLowestGain() noexcept {
    return std::exchange(m_lowestGain, 1.0f);
}

void Limiter::process(float* interleavedStereo, int frames) noexcept {
    while (frames > 0) {
        const int withinStep = std::min(frames, kStepFrames - m_stepFill);
        processWithinStep(interleavedStereo, withinStep);
        interleavedStereo += 2 * withinStep;
        frames -= withinStep;
    }
}

void Limiter::processWithinStep(float* interleavedStereo, int frames) noexcept {
    float* incoming = m_delay.data() + 2 * (m_writeFrame + m_stepFill);
    const float* leaving = m_delay.data() + 2 * (m_readFrame + m_stepFill);
    m_stepPeak = copyWithPeak(interleavedStereo, incoming, 2 * frames, m_stepPeak);
    if (m_gainAtStart == 1.0f && m_gainAtEnd == 1.0f) {
        std::copy(leaving, leaving + 2 * frames, interleavedStereo);
    } else {
        const float gainStep = (m_gainAtEnd - m_gainAtStart) / static_cast<float>(kStepFrames);
        scaleStereo(leaving, interleavedStereo, frames,
                    m_gainAtStart + gainStep * static_cast<float>(m_stepFill + 1), gainStep);
        m_lowestGain = std::min({m_lowestGain, m_gainAtStart, m_gainAtEnd});
    }
    m_stepFill += frames;
    if (m_stepFill == kStepFrames) {
        finishStep();
    }
}

// A step's samples leave scaled by a ramp between the gains at its two boundaries, so
// each boundary's gain must respect the peaks of the steps on both sides of it. The
// gain a boundary gets is the mean of the released gains over the look-ahead that
// follows it, each no higher than the lowest limit seen over the look-ahead before it:
// every term of the mean respects that boundary's limit, and the mean glides.
void Limiter::finishStep() noexcept {
    const float stepLimit =
        m_stepPeak > kCeiling ? std::max(kCeiling / m_stepPeak, kDeepestGain) : 1.0f;
    const auto slot = static_cast<std::size_t>(m_windowSlot);
    m_boundaryLimits[slot] = std::min(stepLimit, m_previousStepLimit);
    m_previousStepLimit = stepLimit;

    const float held = *std::min_element(m_boundaryLimits.begin(), m_boundaryLimits.end());
    m_reduction = std::max(1.0f - held, m_reduction * m_releaseDecay);
    if (m_reduction < kNoReduction) {
        m_reduction = 0.0f;
    }
    m_releasedGains[slot] = 1.0f - m_reduction;
    const float sum = std::accumulate(m_releasedGains.begin(), m_releasedGains.end(), 0.0f);
    m_gainAtStart = m_gainAtEnd;
    m_gainAtEnd = sum / static_cast<float>(m_releasedGains.size());
    m_windowSlot = (m_windowSlot + 1) % static_cast<int>(m_releasedGains.size());

    m_stepPeak = 0.0f;
    m_stepFill = 0;
    const int ringFrames = static_cast<int>(m_delay.size() / 2);
    m_writeFrame = (m_writeFrame + kStepFrames) % ringFrames;
    m_readFrame = (m_readFrame + kStepFrames) % ringFrames;
}

} // namespace pelgra::audio
