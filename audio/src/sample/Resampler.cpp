#include "sample/Resampler.h"

#include <soxr.h>

#include <cmath>

namespace pelgra::audio {

std::optional<std::vector<float>> resample(const std::vector<float>& input, int channels,
                                           int inputRate, int outputRate) {
    if (inputRate == outputRate) {
        return input;
    }
    const std::size_t inputFrames = input.size() / static_cast<std::size_t>(channels);
    const auto outputFrames = static_cast<std::size_t>(std::llround(
        static_cast<double>(inputFrames) * outputRate / static_cast<double>(inputRate)));
    std::vector<float> output(outputFrames * static_cast<std::size_t>(channels));

    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    std::size_t produced = 0;
    const soxr_error_t error = soxr_oneshot(inputRate, outputRate, static_cast<unsigned>(channels),
                                            input.data(), inputFrames, nullptr, output.data(),
                                            outputFrames, &produced, &io, &quality, &runtime);
    if (error != nullptr) {
        return std::nullopt;
    }
    output.resize(produced * static_cast<std::size_t>(channels));
    return output;
}

} // namespace pelgra::audio
