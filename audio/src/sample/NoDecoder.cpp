// Built in place of the decoder and resampler where libsndfile or libsoxr is missing:
// every file is refused, so every sample load fails cleanly.
#include "failure/FailureReason.h"
#include "sample/Decoder.h"
#include "sample/Resampler.h"

namespace pelgra::audio {

std::optional<DecodedAudio> decodeFile(const char* /*path*/, std::int64_t /*maxFloats*/) {
    noteFailure(FMOD_ERR_FILE_FORMAT);
    return std::nullopt;
}

std::optional<std::vector<float>> resample(const std::vector<float>& /*input*/, int /*channels*/,
                                           int /*inputRate*/, int /*outputRate*/) {
    return std::nullopt;
}

} // namespace pelgra::audio
