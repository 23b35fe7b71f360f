// The last step of every mix: the accumulator copied to the output, clipped to full
// scale, with the peak of each side for the statistics. Audio side (audio thread only).
#ifndef PELGRA_AUDIO_OUTPUT_CLIP_H
#define PELGRA_AUDIO_OUTPUT_CLIP_H

namespace pelgra::audio {

// Copies `frames` interleaved stereo frames to `out`, clipped to -1..1; returns the
// highest magnitude of each side.
void clipToOutput(const float* stereoAccumulator, float* out, int frames, float& peakLeft,
                  float& peakRight) noexcept;

} // namespace pelgra::audio

#endif
