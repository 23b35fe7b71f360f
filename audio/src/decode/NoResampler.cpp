// Built in place of the resampler where libsoxr is missing: nothing can be brought to
// the mixing rate, so every sample load and streamed song fails cleanly.
#include "decode/StreamResampler.h"
#include "failure/FailureReason.h"

namespace pelgra::audio {

std::unique_ptr<StreamResampler> StreamResampler::create(int, int, int) {
    noteFailure(Failure::UnsupportedFormat);
    return nullptr;
}

StreamResampler::~StreamResampler() = default;

StreamResampler::Step StreamResampler::process(const float*, std::size_t, float*,
                                               std::size_t) noexcept {
    return {};
}

void StreamResampler::restart() noexcept {}

std::size_t StreamResampler::outputFramesFor(std::size_t) const noexcept {
    return 0;
}

} // namespace pelgra::audio
