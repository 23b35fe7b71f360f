#include "mixer/Limiter.h"

#include <algorithm>
#include <array>
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
    const int steps =
        (mixRate * Limiter::kLookAheadMillis + kPerStepAndSecond - 1) / kPerStepAndSecond;
    return std::max(2, steps);
}

constexpr int kStepSamples = 2 * Limiter::kStepFrames;

// Folds the upper half of the first 2 * kWidth lanes onto the lower half: independent
// maxima, which vectorise where one running maximum would not.
template <int kWidth> void foldInHalf(std::array<float, kStepSamples>& lanes) {
    for (int i = 0; i < kWidth; ++i) {
        lanes[i] = std::max(lanes[i], lanes[i + kWidth]);
    }
}

float peakOfStep(const float* samples) {
    static_assert(kStepSamples == 32, "the folds below halve 32 lanes down to one");
    std::array<float, kStepSamples> lanes;
    for (int i = 0; i < kStepSamples; ++i) {
        lanes[i] = std::fabs(samples[i]);
    }
    foldInHalf<16>(lanes);
    foldInHalf<8>(lanes);
    foldInHalf<4>(lanes);
    foldInHalf<2>(lanes);
    foldInHalf<1>(lanes);
    return lanes[0];
}

int wrapped(int position, int size) {
    return position == size ? 0 : position;
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
      m_delay(static_cast<std::size_t>(2 * (delayFrames() + kStepFrames))),
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
    std::fill(m_boundaryLimits.begin(), m_boundaryLimits.end(), 1.0f);
    std::fill(m_releasedGains.begin(), m_releasedGains.end(), 1.0f);
    m_windowSlot = 0;
    m_previousStepLimit = 1.0f;
    m_reduction = 0.0f;
    m_unitySteps = static_cast<int>(m_boundaryLimits.size());
    m_gainAtStart = 1.0f;
    m_gainAtEnd = 1.0f;
}

float Limiter::takeLowestGain() noexcept {
    return std::exchange(m_lowestGain, 1.0f);
}

void Limiter::process(float* interleavedStereo, int frames) noexcept {
    while (frames > 0) {
        // A whole step is the common case; its constant length lets the copies inline.
        const bool wholeStep = m_stepFill == 0 && frames >= kStepFrames;
        const int withinStep = wholeStep ? kStepFrames : std::min(frames, kStepFrames - m_stepFill);
        if (wholeStep) {
            processWithinStep(interleavedStereo, kStepFrames);
        } else {
            processWithinStep(interleavedStereo, withinStep);
        }
        interleavedStereo += 2 * withinStep;
        frames -= withinStep;
    }
}

void Limiter::processWithinStep(float* interleavedStereo, int frames) noexcept {
    float* incoming = m_delay.data() + 2 * (m_writeFrame + m_stepFill);
    const float* leaving = m_delay.data() + 2 * (m_readFrame + m_stepFill);
    std::copy(interleavedStereo, interleavedStereo + 2 * frames, incoming);
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
    const float peak = peakOfStep(m_delay.data() + 2 * m_writeFrame);
    const float stepLimit = peak > kCeiling ? std::max(kCeiling / peak, kDeepestGain) : 1.0f;
    const auto slot = static_cast<std::size_t>(m_windowSlot);
    const float boundaryLimit = std::min(stepLimit, m_previousStepLimit);
    m_boundaryLimits[slot] = boundaryLimit;
    m_previousStepLimit = stepLimit;

    // Once a whole look-ahead of boundaries has needed no reduction and the release has
    // none left, every limit and released gain in the window is 1: the gain is exactly
    // what the passes below would find, unity, without them. That is the mix that
    // stays below the ceiling, nearly always.
    m_unitySteps = boundaryLimit == 1.0f && m_reduction == 0.0f ? m_unitySteps + 1 : 0;
    if (m_unitySteps >= static_cast<int>(m_boundaryLimits.size())) {
        m_releasedGains[slot] = 1.0f;
        m_gainAtStart = m_gainAtEnd;
        m_gainAtEnd = 1.0f;
        advanceStep();
        return;
    }

    float held = 1.0f;
    for (const float limit : m_boundaryLimits) {
        held = std::min(held, limit);
    }
    m_reduction = std::max(1.0f - held, m_reduction * m_releaseDecay);
    if (m_reduction < kNoReduction) {
        m_reduction = 0.0f;
    }
    m_releasedGains[slot] = 1.0f - m_reduction;
    const float sum = std::accumulate(m_releasedGains.begin(), m_releasedGains.end(), 0.0f);
    m_gainAtStart = m_gainAtEnd;
    m_gainAtEnd = sum / static_cast<float>(m_releasedGains.size());
    advanceStep();
}

void Limiter::advanceStep() noexcept {
    // Wrapped by comparison: a division per step would cost more than the rest of it.
    m_windowSlot = wrapped(m_windowSlot + 1, static_cast<int>(m_releasedGains.size()));
    m_stepFill = 0;
    const int ringFrames = static_cast<int>(m_delay.size() / 2);
    m_writeFrame = wrapped(m_writeFrame + kStepFrames, ringFrames);
    m_readFrame = wrapped(m_readFrame + kStepFrames, ringFrames);
}

} // namespace pelgra::audio
