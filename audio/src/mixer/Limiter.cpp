#include "mixer/Limiter.h"

#include "mixer/OutputClip.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__) || defined(_M_X64)

// Copies a whole step into the delay and returns peakOfStep() of it: the same folds of
// the same lanes, on the registers the copy loaded. std::max(a, b) is b where a < b and
// otherwise a, NaN or not, which is _mm_max_ps(b, a).
float copyStep(const float* __restrict in, float* __restrict delay) noexcept {
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 lanes[kStepSamples / 4]; // a std::array of them would drop their alignment
    for (int i = 0; i < kStepSamples / 4; ++i) {
        const __m128 samples = _mm_loadu_ps(in + 4 * i);
        _mm_storeu_ps(delay + 4 * i, samples);
        lanes[i] = _mm_and_ps(samples, magnitude);
    }
    for (int i = 0; i < 4; ++i) {
        lanes[i] = _mm_max_ps(lanes[i + 4], lanes[i]);
    }
    for (int i = 0; i < 2; ++i) {
        lanes[i] = _mm_max_ps(lanes[i + 2], lanes[i]);
    }
    __m128 folded = _mm_max_ps(lanes[1], lanes[0]);
    folded = _mm_max_ps(_mm_movehl_ps(folded, folded), folded);
    folded = _mm_max_ss(_mm_shuffle_ps(folded, folded, 1), folded);
    return _mm_cvtss_f32(folded);
}

#else

float copyStep(const float* __restrict in, float* __restrict delay) noexcept {
    std::copy_n(in, kStepSamples, delay);
    return peakOfStep(delay);
}

#endif

} // namespace

Limiter::Limiter(int mixRate)
    : m_delaySteps(delayStepsFor(mixRate)),
      m_releaseDecay(static_cast<float>(
          std::exp(-kStepFrames * 1000.0 / (static_cast<double>(kReleaseMillis) * mixRate)))),
      m_ringFrames(delayFrames() + kStepFrames),
      m_delay(static_cast<std::size_t>(2 * m_ringFrames)), m_windowSteps(m_delaySteps - 1),
      m_boundaryLimits(static_cast<std::size_t>(m_windowSteps)),
      m_releasedGains(static_cast<std::size_t>(m_windowSteps)) {
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
    m_unitySteps = m_windowSteps;
    m_gainAtStart = 1.0f;
    m_gainAtEnd = 1.0f;
}

float Limiter::takeLowestGain() noexcept {
    return std::exchange(m_lowestGain, 1.0f);
}

void Limiter::process(const float* in, float* out, int frames, OutputClip& clip) noexcept {
    while (frames > 0) {
        int taken = kStepFrames;
        if (m_stepFill == 0 && frames >= kStepFrames) {
            // A whole step, the common case: taken in and measured in one pass.
            const float peak = copyStep(in, m_delay.data() + 2 * m_writeFrame);
            sendLeaving(out, kStepFrames, clip);
            finishStep(peak);
        } else {
            taken = std::min(frames, kStepFrames - m_stepFill);
            processWithinStep(in, out, taken, clip);
        }
        in += 2 * taken;
        out += 2 * taken;
        frames -= taken;
    }
}

void Limiter::processWithinStep(const float* in, float* out, int frames,
                                OutputClip& clip) noexcept {
    std::copy(in, in + 2 * frames, m_delay.data() + 2 * (m_writeFrame + m_stepFill));
    sendLeaving(out, frames, clip);
    m_stepFill += frames;
    if (m_stepFill == kStepFrames) {
        finishStep(peakOfStep(m_delay.data() + 2 * m_writeFrame));
    }
}

// The frames of the step leaving from m_stepFill on, to the output.
void Limiter::sendLeaving(float* out, int frames, OutputClip& clip) noexcept {
    const float* leaving = m_delay.data() + 2 * (m_readFrame + m_stepFill);
    if (m_gainAtStart == 1.0f && m_gainAtEnd == 1.0f) {
        clip.clip(leaving, out, frames);
        return;
    }
    const float gainStep = (m_gainAtEnd - m_gainAtStart) / static_cast<float>(kStepFrames);
    clip.clipScaled(leaving, out, frames,
                    m_gainAtStart + gainStep * static_cast<float>(m_stepFill + 1), gainStep);
    m_lowestGain = std::min({m_lowestGain, m_gainAtStart, m_gainAtEnd});
}

// A step's samples leave scaled by a ramp between the gains at its two boundaries, so
// each boundary's gain must respect the peaks of the steps on both sides of it. The
// gain a boundary gets is the mean of the released gains over the look-ahead that
// follows it, each no higher than the lowest limit seen over the look-ahead before it:
// every term of the mean respects that boundary's limit, and the mean glides.
void Limiter::finishStep(float peak) noexcept {
    // Once a whole look-ahead of boundaries has needed no reduction and the release has
    // none left, every limit and released gain in the window is 1, and so is the last
    // step's limit: a step that needs none (a NaN peak needs none) leaves them all as
    // they are, and the gain is exactly what the passes below would find, unity, without
    // them. That is the mix that stays below the ceiling, nearly always.
    const bool loud = peak > kCeiling;
    if (!loud && m_unitySteps >= m_windowSteps) {
        m_gainAtStart = m_gainAtEnd;
        m_gainAtEnd = 1.0f;
        advanceStep();
        return;
    }
    const float stepLimit = loud ? std::max(kCeiling / peak, kDeepestGain) : 1.0f;
    const auto slot = static_cast<std::size_t>(m_windowSlot);
    const float boundaryLimit = std::min(stepLimit, m_previousStepLimit);
    m_boundaryLimits[slot] = boundaryLimit;
    m_previousStepLimit = stepLimit;

    m_unitySteps = boundaryLimit == 1.0f && m_reduction == 0.0f ? m_unitySteps + 1 : 0;
    if (m_unitySteps >= m_windowSteps) {
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
    m_gainAtEnd = sum / static_cast<float>(m_windowSteps);
    advanceStep();
}

void Limiter::advanceStep() noexcept {
    // Wrapped by comparison: a division per step would cost more than the rest of it.
    m_windowSlot = wrapped(m_windowSlot + 1, m_windowSteps);
    m_stepFill = 0;
    m_writeFrame = wrapped(m_writeFrame + kStepFrames, m_ringFrames);
    m_readFrame = wrapped(m_readFrame + kStepFrames, m_ringFrames);
}

} // namespace pelgra::audio
