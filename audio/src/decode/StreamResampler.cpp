#include "decode/StreamResampler.h"

#include "failure/FailureReason.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>

namespace pelgra::audio {

std::unique_ptr<StreamResampler> StreamResampler::create(int channels, int inputRate,
                                                         int outputRate, Input input) {
    if (channels < 1 || inputRate <= 0 || outputRate <= 0) {
        noteFailure(Failure::Internal);
        return nullptr;
    }
    soxr_t resampler = nullptr;
    if (inputRate != outputRate) {
        const soxr_io_spec_t io =
            soxr_io_spec(input == Input::Planes ? SOXR_FLOAT32_S : SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        resampler = soxr_create(inputRate, outputRate, static_cast<unsigned>(channels), &error, &io,
                                &quality, &runtime);
        if (error != nullptr || resampler == nullptr) {
            soxr_delete(resampler);
            noteFailure(Failure::Internal);
            return nullptr;
        }
    }
    try {
        return std::unique_ptr<StreamResampler>(
            new StreamResampler(resampler, channels, inputRate, outputRate));
    } catch (...) {
        soxr_delete(resampler);
        throw;
    }
}

StreamResampler::~StreamResampler() {
    soxr_delete(m_soxr);
}

StreamResampler::Step StreamResampler::process(const float* input, std::size_t inputFrames,
                                               float* output, std::size_t room) noexcept {
    Step step;
    if (m_soxr == nullptr) {
        step.consumed = step.produced = std::min(inputFrames, room);
        if (step.produced > 0) {
            std::memcpy(output, input, step.produced * m_channels * sizeof(float));
        }
        return step;
    }
    if (soxr_process(m_soxr, input, inputFrames, &step.consumed, output, room, &step.produced) !=
        nullptr) {
        return {};
    }
    return step;
}

StreamResampler::Step StreamResampler::processPlanes(const float* const* planes,
                                                     std::size_t inputFrames, float* output,
                                                     std::size_t room) noexcept {
    Step step;
    if (m_soxr == nullptr) {
        return step; // frames that pass through stay interleaved: see process()
    }
    // With no input (null, 0) libsoxr drains, as process() does.
    if (soxr_process(m_soxr, planes, inputFrames, &step.consumed, output, room, &step.produced) !=
        nullptr) {
        return {};
    }
    return step;
}

void StreamResampler::restart() noexcept {
    if (m_soxr != nullptr) {
        soxr_clear(m_soxr);
    }
}

std::size_t StreamResampler::outputFramesFor(std::size_t inputFrames) const noexcept {
    const auto scaled = static_cast<unsigned long long>(inputFrames) *
                        static_cast<unsigned long long>(m_outputRate);
    return static_cast<std::size_t>((scaled + m_inputRate - 1) / m_inputRate);
}

} // namespace pelgra::audio
