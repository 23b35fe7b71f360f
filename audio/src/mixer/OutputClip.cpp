#include "mixer/OutputClip.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace pelgra::audio {

namespace {

// One frame as std::clamp and std::max see it: a NaN passes the clamp unchanged (where
// the output's checks can still see it) and leaves the peaks alone.
void clipFrame(const float* in, float* out, float& left, float& right) noexcept {
    out[0] = std::clamp(in[0], -1.0f, 1.0f);
    out[1] = std::clamp(in[1], -1.0f, 1.0f);
    left = std::max(left, std::fabs(out[0]));
    right = std::max(right, std::fabs(out[1]));
}

} // namespace

#if defined(__SSE2__) || defined(_M_X64)

// Two frames at a time in packed min and max, whose operand order gives exactly the
// answers of clipFrame: the compiler does not find these itself without leave to
// assume there is no NaN. Every x86-64 processor has SSE2.
void clipToOutput(const float* __restrict stereoAccumulator, float* __restrict out, int frames,
                  float& peakLeft, float& peakRight) noexcept {
    const __m128 low = _mm_set1_ps(-1.0f);
    const __m128 high = _mm_set1_ps(1.0f);
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 peaks = _mm_setzero_ps(); // left, right, left, right
    int frame = 0;
    for (; frame + 2 <= frames; frame += 2) {
        const __m128 in = _mm_loadu_ps(stereoAccumulator + 2 * frame);
        const __m128 clipped = _mm_min_ps(high, _mm_max_ps(low, in));
        _mm_storeu_ps(out + 2 * frame, clipped);
        peaks = _mm_max_ps(_mm_and_ps(clipped, magnitude), peaks);
    }
    float lanes[4];
    _mm_storeu_ps(lanes, peaks);
    float left = std::max(lanes[0], lanes[2]);
    float right = std::max(lanes[1], lanes[3]);
    if (frame < frames) {
        clipFrame(stereoAccumulator + 2 * frame, out + 2 * frame, left, right);
    }
    peakLeft = left;
    peakRight = right;
}

#else

void clipToOutput(const float* __restrict stereoAccumulator, float* __restrict out, int frames,
                  float& peakLeft, float& peakRight) noexcept {
    float left = 0.0f;
    float right = 0.0f;
    for (int frame = 0; frame < frames; ++frame) {
        clipFrame(stereoAccumulator + 2 * frame, out + 2 * frame, left, right);
    }
    peakLeft = left;
    peakRight = right;
}

#endif

} // namespace pelgra::audio
