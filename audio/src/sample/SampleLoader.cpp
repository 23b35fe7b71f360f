#include "sample/SampleLoader.h"

#include "failure/FailureReason.h"
#include "sample/Decoder.h"
#include "sample/Resampler.h"

#include <algorithm>

namespace pelgra::audio {

namespace {

// Keeps frames [first, first + count) of the decoded audio; false when that is empty.
bool keepRange(DecodedAudio& decoded, std::int64_t first, std::int64_t count) {
    const std::int64_t frames = decoded.frames();
    if (first < 0 || count < 0 || first >= frames) {
        noteFailure(FMOD_ERR_INVALID_PARAM);
        return false;
    }
    const std::int64_t end = count == 0 ? frames : std::min(frames, first + count);
    decoded.data.erase(decoded.data.begin() + end * decoded.channels, decoded.data.end());
    decoded.data.erase(decoded.data.begin(), decoded.data.begin() + first * decoded.channels);
    return true;
}

} // namespace

std::unique_ptr<Sample> loadSample(const SampleRequest& request) {
    if (request.path == nullptr) {
        noteFailure(FMOD_ERR_INVALID_PARAM);
        return nullptr;
    }
    std::optional<DecodedAudio> decoded = decodeFile(request.path, kMaxSampleFloats);
    if (!decoded || !keepRange(*decoded, request.firstFrame, request.frameCount)) {
        return nullptr;
    }
    const double resampledFloats = static_cast<double>(decoded->data.size()) * request.mixRate /
                                   static_cast<double>(decoded->sampleRate);
    if (resampledFloats > static_cast<double>(kMaxSampleFloats)) {
        noteFailure(FMOD_ERR_FILE_TOO_LARGE);
        return nullptr;
    }
    std::optional<std::vector<float>> resampled =
        resample(decoded->data, decoded->channels, decoded->sampleRate, request.mixRate);
    if (!resampled) {
        noteFailure(FMOD_ERR_INTERNAL);
        return nullptr;
    }
    if (resampled->empty()) { // too short to leave a frame at the mixing rate
        noteFailure(FMOD_ERR_FILE_BAD);
        return nullptr;
    }
    auto sample = std::make_unique<Sample>();
    sample->channels = decoded->channels;
    sample->frames = static_cast<std::int64_t>(resampled->size()) / decoded->channels;
    sample->data = std::move(*resampled);
    sample->loops = request.loops;
    return sample;
}

} // namespace pelgra::audio
