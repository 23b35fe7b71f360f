// Rate conversion of a whole sample, once at load, through libsoxr at high quality.
#ifndef PELGRA_AUDIO_RESAMPLER_H
#define PELGRA_AUDIO_RESAMPLER_H

#include <optional>
#include <vector>

namespace pelgra::audio {

// `input` holds interleaved frames of `channels` channels at inputRate. Empty on failure.
std::optional<std::vector<float>> resample(const std::vector<float>& input, int channels,
                                           int inputRate, int outputRate);

} // namespace pelgra::audio

#endif
