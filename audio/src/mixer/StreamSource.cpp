#include "mixer/StreamSource.h"

#include "mixer/MixKernels.h"

#include <algorithm>
#include <cstring>

namespace pelgra::audio {

namespace {
// The mixer's block: a source is asked for no more at a time, so one chunk is the rule.
constexpr int kScratchFrames = 256;
} // namespace

int StreamSource::mixScaled(float* interleavedStereo, int frames, float gain, float gainStep,
                            MixInto into) noexcept {
    float scratch[2 * kScratchFrames];
    int added = 0;
    for (int done = 0; done < frames;) {
        const int chunk = std::min(kScratchFrames, frames - done);
        std::memset(scratch, 0, sizeof(float) * static_cast<std::size_t>(2 * chunk));
        const int got = mixInto(scratch, chunk);
        putStereo(into, interleavedStereo + 2 * done, scratch, got,
                  gain + gainStep * static_cast<float>(done), gainStep);
        added += got;
        done += chunk;
        if (got < chunk) {
            break; // silence for the rest, as mixInto() says
        }
    }
    return added;
}

} // namespace pelgra::audio
