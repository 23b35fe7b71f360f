// The last step of every mix: frames written to the output clipped to full scale, with
// the peak of each side kept for the statistics. The limiter hands over its delayed
// frames straight from its delay, scaled or not, so that they cross memory once.
// Audio side (audio thread only).
#ifndef PELGRA_AUDIO_OUTPUT_CLIP_H
#define PELGRA_AUDIO_OUTPUT_CLIP_H

#include <array>

namespace pelgra::audio {

class OutputClip {
public:
    // Copies `frames` interleaved stereo frames to `out`, clipped to -1..1.
    void clip(const float* in, float* out, int frames) noexcept;
    // The same, each frame first scaled by a gain that starts at `gain` and moves by
    // `gainStep` a frame.
    void clipScaled(const float* in, float* out, int frames, float gain, float gainStep) noexcept;
    // The highest magnitude of each side written since the previous call; NaN, passed
    // on to the output's checks, counts for none. Watches afresh.
    void takePeaks(float& left, float& right) noexcept;

private:
    // Left, right, left, right: two frames' lanes, as the packed loop keeps them.
    alignas(16) std::array<float, 4> m_peaks{};
};

} // namespace pelgra::audio

#endif
