#include "mixer/Limiter.h"

#include "mixer/OutputClip.h"
#include "platform/ForceInline.h"

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

// The step of the delay a frame of it is in.
std::size_t stepAt(int frame) {
    return static_cast<std::size_t>(frame) / Limiter::kStepFrames;
}

int wrapped(int position, int size) {
    return position == size ? 0 : position;
}

#if defined(__SSE2__) || defined(_M_X64)

// Copies a whole step into the delay and returns peakOfStep() of it: the same folds of
// the same lanes, on the registers the copy loaded. std::max(a, b) is b where a < b and
// otherwise a, NaN or not, which is _mm_max_ps(b, a). Folded down to two lanes, the
// lanes hold one side each: without a NaN among them, the peaks of the sides. Called
// rather than inlined, it would cost a sixth more than its own work.
PELGRA_AUDIO_FORCE_INLINE float copyStep(const float* __restrict in, float* __restrict delay,
                                         Limiter::StepSides& sides) noexcept {
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    // Written out, not as a loop, which the compiler would split into a call to memmove
    // and a loop that loads the step a second time.
    const auto take = [&](int quad) {
        const __m128 samples = _mm_loadu_ps(in + 4 * quad);
        _mm_storeu_ps(delay + 4 * quad, samples);
        return _mm_and_ps(samples, magnitude);
    };
    const __m128 q0 = take(0);
    const __m128 q1 = take(1);
    const __m128 q2 = take(2);
    const __m128 q3 = take(3);
    const __m128 q4 = take(4);
    const __m128 q5 = take(5);
    const __m128 q6 = take(6);
    const __m128 q7 = take(7);
    const __m128 unordered = _mm_or_ps(_mm_or_ps(_mm_cmpunord_ps(q0, q4), _mm_cmpunord_ps(q1, q5)),
                                       _mm_or_ps(_mm_cmpunord_ps(q2, q6), _mm_cmpunord_ps(q3, q7)));
    const __m128 half0 = _mm_max_ps(q4, q0);
    const __m128 half1 = _mm_max_ps(q5, q1);
    const __m128 half2 = _mm_max_ps(q6, q2);
    const __m128 half3 = _mm_max_ps(q7, q3);
    const __m128 quarter0 = _mm_max_ps(half2, half0);
    const __m128 quarter1 = _mm_max_ps(half3, half1);
    __m128 folded = _mm_max_ps(quarter1, quarter0);
    folded = _mm_max_ps(_mm_movehl_ps(folded, folded), folded);
    const __m128 right = _mm_shuffle_ps(folded, folded, 1);
    const float peak = _mm_cvtss_f32(_mm_max_ss(right, folded));
    sides.left = _mm_cvtss_f32(folded);
    sides.right = _mm_cvtss_f32(right);
    sides.inRange = _mm_movemask_ps(unordered) == 0 && peak <= 1.0f;
    return peak;
}

#else

float copyStep(const float* __restrict in, float* __restrict delay,
               Limiter::StepSides& sides) noexcept {
    std::copy_n(in, kStepSamples, delay);
    sides = {};
    for (int i = 0; i < kStepSamples; i += 2) {
        sides.inRange = sides.inRange && std::fabs(in[i]) <= 1.0f && std::fabs(in[i + 1]) <= 1.0f;
        sides.left = std::max(sides.left, std::fabs(in[i]));
        sides.right = std::max(sides.right, std::fabs(in[i + 1]));
    }
    return peakOfStep(delay);
}

#endif

} // namespace

Limiter::Limiter(int mixRate)
    : m_delaySteps(delayStepsFor(mixRate)),
      m_releaseDecay(static_cast<float>(
          std::exp(-kStepFrames * 1000.0 / (static_cast<double>(kReleaseMillis) * mixRate)))),
      m_ringFrames(delayFrames() + kStepFrames),
      m_delay(static_cast<std::size_t>(2 * m_ringFrames)),
      m_stepSides(static_cast<std::size_t>(m_ringFrames / kStepFrames)),
      m_windowSteps(m_delaySteps - 1), m_boundaryLimits(static_cast<std::size_t>(m_windowSteps)),
      m_releasedGains(static_cast<std::size_t>(m_windowSteps)) {
    reset();
}

void Limiter::reset() noexcept {
    std::fill(m_delay.begin(), m_delay.end(), 0.0f);
    std::fill(m_stepSides.begin(), m_stepSides.end(), StepSides{});
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
        int taken = 0;
        if (m_stepFill == 0 && frames >= kStepFrames) {
            const int steps = frames / kStepFrames;
            takeWholeSteps(in, out, steps, clip);
            taken = steps * kStepFrames;
        } else {
            taken = std::min(frames, kStepFrames - m_stepFill);
            takePartOfStep(in, out, taken, clip);
        }
        in += 2 * taken;
        out += 2 * taken;
        frames -= taken;
    }
}

// The mix that stays below the ceiling, nearly always. Once a whole look-ahead of
// boundaries has needed no reduction and the release has none left, every limit and
// released gain in the window is 1, and so is the last step's limit: a step that needs
// none (a NaN peak needs none) leaves them all as they are, and the gain is exactly
// what finishStep()'s passes would find, unity, without them.
bool Limiter::stayAtUnity(float peak) noexcept {
    if (peak > kCeiling || m_unitySteps < m_windowSteps) {
        return false;
    }
    m_gainAtStart = m_gainAtEnd;
    m_gainAtEnd = 1.0f;
    advanceStep();
    return true;
}

// The common case, every step of a mix in whole steps: runs at unity gain, and between
// them the steps of a reduction and its release, one at a time.
void Limiter::takeWholeSteps(const float* in, float* out, int steps, OutputClip& clip) noexcept {
    while (steps > 0) {
        const int atUnity = takeStepsAtUnity(in, out, steps, clip);
        in += 2 * kStepFrames * atUnity;
        out += 2 * kStepFrames * atUnity;
        steps -= atUnity;
        if (steps == 0) {
            return;
        }
        StepSides& incoming = m_stepSides[stepAt(m_writeFrame)];
        const float peak = copyStep(in, m_delay.data() + 2 * m_writeFrame, incoming);
        sendLeaving(out, kStepFrames, clip);
        if (!stayAtUnity(peak)) {
            finishStep(peak);
        }
        in += 2 * kStepFrames;
        out += 2 * kStepFrames;
        --steps;
    }
}

// Whole steps while the gain stays at unity (see stayAtUnity()), as it does for nearly
// every step of a mix; the run ends after a step that needs a reduction, which
// finishStep() takes. The positions live in locals meanwhile: kept in members, they
// would be read again after every store to the output, which may be any float. Returns
// the steps taken, none where the gain is not at unity.
int Limiter::takeStepsAtUnity(const float* in, float* out, int steps, OutputClip& clip) noexcept {
    if (m_gainAtStart != 1.0f || m_gainAtEnd != 1.0f || m_unitySteps < m_windowSteps) {
        return 0;
    }
    // A step of the delay, as a pointer to its frames and one to what taking it in showed.
    struct Cursor {
        float* frames;
        StepSides* sides;
    };
    float* const delay = m_delay.data();
    StepSides* const sides = m_stepSides.data();
    const StepSides* const sidesEnd = sides + m_stepSides.size();
    const auto at = [&](int frame) { return Cursor{delay + 2 * frame, sides + stepAt(frame)}; };
    const auto next = [&](Cursor& cursor) {
        cursor.frames += 2 * kStepFrames;
        if (++cursor.sides == sidesEnd) {
            cursor = {delay, sides};
        }
    };
    Cursor write = at(m_writeFrame);
    Cursor read = at(m_readFrame);
    int taken = 0;
    float peak = 0.0f;
    while (taken < steps) {
        peak = copyStep(in, write.frames, *write.sides);
        if (read.sides->inRange) {
            clip.pass(read.frames, out, kStepFrames, read.sides->left, read.sides->right);
        } else {
            clip.clip(read.frames, out, kStepFrames);
        }
        in += 2 * kStepFrames;
        out += 2 * kStepFrames;
        ++taken;
        if (peak > kCeiling) {
            break;
        }
        next(write);
        next(read);
    }
    m_writeFrame = static_cast<int>(write.frames - delay) / 2;
    m_readFrame = static_cast<int>(read.frames - delay) / 2;
    if (peak > kCeiling) {
        m_windowSlot = (m_windowSlot + taken - 1) % m_windowSteps;
        finishStep(peak);
    } else {
        m_windowSlot = (m_windowSlot + taken) % m_windowSteps;
    }
    return taken;
}

void Limiter::takePartOfStep(const float* in, float* out, int frames, OutputClip& clip) noexcept {
    std::copy(in, in + 2 * frames, m_delay.data() + 2 * (m_writeFrame + m_stepFill));
    m_stepSides[stepAt(m_writeFrame)].inRange = false;
    sendLeaving(out, frames, clip);
    m_stepFill += frames;
    if (m_stepFill == kStepFrames) {
        const float peak = peakOfStep(m_delay.data() + 2 * m_writeFrame);
        if (!stayAtUnity(peak)) {
            finishStep(peak);
        }
    }
}

// The frames of the step leaving from m_stepFill on, clipped to the output.
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
    const float stepLimit = peak > kCeiling ? std::max(kCeiling / peak, kDeepestGain) : 1.0f;
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
