// The last step of every mix: frames written to the output clipped to full scale, with
// the peak of each side kept for the statistics. The limiter hands over its delayed
// frames straight from its delay, scaled or not, so that they cross memory once; a
// step it knows needs no clip, it has copied. Audio side (audio thread only).
//
// Inline, all of it: the limiter hands over one step of constant length at a time,
// which the compiler then unrolls, its constants kept in registers from step to step.
#ifndef PELGRA_AUDIO_OUTPUT_CLIP_H
#define PELGRA_AUDIO_OUTPUT_CLIP_H

#include <algorithm>
#include <array>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace pelgra::audio {

class OutputClip {
public:
    // Copies `frames` interleaved stereo frames to `out`, clipped to -1..1.
    void clip(const float* in, float* out, int frames) noexcept;
    // The same, each frame first scaled by a gain that starts at `gain` and moves by
    // `gainStep` a frame.
    void clipScaled(const float* in, float* out, int frames, float gain, float gainStep) noexcept;
    // As clip(), for frames the caller knows the clip leaves as they are (none is NaN or
    // beyond full scale), whose peaks it measured: a copy.
    void pass(const float* in, float* out, int frames, float peakLeft, float peakRight) noexcept;
    // The highest magnitude of each side written since the previous call; NaN, passed
    // on to the output's checks, counts for none. Watches afresh.
    void takePeaks(float& left, float& right) noexcept {
        left = std::max(m_peaks[0], m_peaks[2]);
        right = std::max(m_peaks[1], m_peaks[3]);
        m_peaks.fill(0.0f);
    }

private:
    // One frame as std::clamp and std::max see it: a NaN passes the clamp unchanged
    // (where the output's checks can still see it) and leaves the peaks alone.
    void clipFrame(float left, float right, float* out) noexcept {
        out[0] = std::clamp(left, -1.0f, 1.0f);
        out[1] = std::clamp(right, -1.0f, 1.0f);
        m_peaks[0] = std::max(m_peaks[0], std::fabs(out[0]));
        m_peaks[1] = std::max(m_peaks[1], std::fabs(out[1]));
    }

#if defined(__SSE2__) || defined(_M_X64)
    struct Packed;
#endif

    // Left, right, left, right: two frames' lanes, as the packed loops keep them.
    alignas(16) std::array<float, 4> m_peaks{};
};

#if defined(__SSE2__) || defined(_M_X64)

// Two frames at a time in packed min and max, whose operand order gives exactly the
// answers of clipFrame: the compiler does not find these itself without leave to
// assume there is no NaN. Every x86-64 processor has SSE2.
struct OutputClip::Packed {
    const __m128 low = _mm_set1_ps(-1.0f);
    const __m128 high = _mm_set1_ps(1.0f);
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    __m128 peaks;

    explicit Packed(const float* kept) noexcept : peaks(_mm_load_ps(kept)) {}

    void operator()(__m128 in, float* out) noexcept {
        const __m128 clipped = _mm_min_ps(high, _mm_max_ps(low, in));
        _mm_storeu_ps(out, clipped);
        peaks = _mm_max_ps(_mm_and_ps(clipped, magnitude), peaks);
    }
};

inline void OutputClip::clip(const float* __restrict in, float* __restrict out,
                             int frames) noexcept {
    Packed packed(m_peaks.data());
    int frame = 0;
    for (; frame + 2 <= frames; frame += 2) {
        packed(_mm_loadu_ps(in + 2 * frame), out + 2 * frame);
    }
    _mm_store_ps(m_peaks.data(), packed.peaks);
    if (frame < frames) {
        clipFrame(in[2 * frame], in[2 * frame + 1], out + 2 * frame);
    }
}

inline void OutputClip::clipScaled(const float* __restrict in, float* __restrict out, int frames,
                                   float gain, float gainStep) noexcept {
    Packed packed(m_peaks.data());
    const __m128 start = _mm_set1_ps(gain);
    const __m128 step = _mm_set1_ps(gainStep);
    const __m128 two = _mm_set1_ps(2.0f);
    __m128 index = _mm_setr_ps(0.0f, 0.0f, 1.0f, 1.0f); // frame numbers, exact in float
    int frame = 0;
    for (; frame + 2 <= frames; frame += 2) {
        const __m128 frameGain = _mm_add_ps(start, _mm_mul_ps(step, index));
        packed(_mm_mul_ps(_mm_loadu_ps(in + 2 * frame), frameGain), out + 2 * frame);
        index = _mm_add_ps(index, two);
    }
    _mm_store_ps(m_peaks.data(), packed.peaks);
    if (frame < frames) {
        const float frameGain = gain + gainStep * static_cast<float>(frame);
        clipFrame(in[2 * frame] * frameGain, in[2 * frame + 1] * frameGain, out + 2 * frame);
    }
}

// Without __restrict: the compiler would make the loop a call to memcpy, which costs
// more than the step's eight loads and stores.
inline void OutputClip::pass(const float* in, float* out, int frames, float peakLeft,
                             float peakRight) noexcept {
    int frame = 0;
    for (; frame + 2 <= frames; frame += 2) {
        _mm_storeu_ps(out + 2 * frame, _mm_loadu_ps(in + 2 * frame));
    }
    if (frame < frames) {
        out[2 * frame] = in[2 * frame];
        out[2 * frame + 1] = in[2 * frame + 1];
    }
    m_peaks[0] = std::max(m_peaks[0], peakLeft);
    m_peaks[1] = std::max(m_peaks[1], peakRight);
}

#else

inline void OutputClip::clip(const float* __restrict in, float* __restrict out,
                             int frames) noexcept {
    for (int frame = 0; frame < frames; ++frame) {
        clipFrame(in[2 * frame], in[2 * frame + 1], out + 2 * frame);
    }
}

inline void OutputClip::clipScaled(const float* __restrict in, float* __restrict out, int frames,
                                   float gain, float gainStep) noexcept {
    for (int frame = 0; frame < frames; ++frame) {
        const float frameGain = gain + gainStep * static_cast<float>(frame);
        clipFrame(in[2 * frame] * frameGain, in[2 * frame + 1] * frameGain, out + 2 * frame);
    }
}

inline void OutputClip::pass(const float* __restrict in, float* __restrict out, int frames,
                             float peakLeft, float peakRight) noexcept {
    std::copy(in, in + 2 * frames, out);
    m_peaks[0] = std::max(m_peaks[0], peakLeft);
    m_peaks[1] = std::max(m_peaks[1], peakRight);
}

#endif

} // namespace pelgra::audio

#endif
