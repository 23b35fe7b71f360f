// Built in place of the decoder and resampler where libsndfile or libsoxr is missing:
// every file is refused, so every sample load fails cleanly.
#include "sample/Decoder.h"
#include "sample/Resampler.h"

namespace pelgra::audio {

std::optional<DecodedAudio> decodeFile(const char* /*path*/, std::int64_t /*maxFloats*/) {
    return std::nullopt;
}

std::optional<std::vector<float>> resample(const std::vector<float>& /*input*/, int /*channels*/,
                                           int /*inputRate*/, int /*outputRate*/) {
    return std::nullopt;
}

} // namespace pelgra::audio
