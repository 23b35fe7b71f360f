// The last step of every mix: frames written to the output clipped to full scale, with
// the peak of each side kept for the statistics. The limiter hands over its delayed
// frames straight from its delay, scaled or not, so that they cross memory once.
// Audio side (audio thread only).
#ifndef PELGRA_AUDIO_OUTPUT_CLIP_H
#define PELGRA_AUDIO_OUTPUT_CLIP_H

#include <algorithm>
#include <array>

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
    // Inline: the limiter passes a step of constant length, which this copies in
    // registers, unrolled.
    void pass(const float* in, float* out, int frames, float peakLeft, float peakRight) noexcept {
#if defined(__SSE2__) || defined(_M_X64)
        int frame = 0;
        for (; frame + 2 <= frames; frame += 2) {
            _mm_storeu_ps(out + 2 * frame, _mm_loadu_ps(in + 2 * frame));
        }
        if (frame < frames) {
            out[2 * frame] = in[2 * frame];
            out[2 * frame + 1] = in[2 * frame + 1];
        }
#else
        std::copy(in, in + 2 * frames, out);
#endif
        m_peaks[0] = std::max(m_peaks[0], peakLeft);
        m_peaks[1] = std::max(m_peaks[1], peakRight);
    }
    // The highest magnitude of each side written since the previous call; NaN, passed
    // on to the output's checks, counts for none. Watches afresh.
    void takePeaks(float& left, float& right) noexcept;

private:
    // Left, right, left, right: two frames' lanes, as the packed loop keeps them.
    alignas(16) std::array<float, 4> m_peaks{};
};

} // namespace pelgra::audio

#endif
