#include "mixer/OutputClip.h"

#include <algorithm>
#include <cmath>

namespace pelgra::audio {

// Built assuming finite values (see audio/CMakeLists.txt): that lets the compiler turn
// the clamps and the running peaks into packed minimum and maximum instructions. The
// mix holds no NaN or infinity to begin with: decoded audio is made finite as it is
// read, and the voices and songs only scale and add it.
void clipToOutput(const float* __restrict stereoAccumulator, float* __restrict out, int frames,
                  float& peakLeft, float& peakRight) noexcept {
    float left = 0.0f;
    float right = 0.0f;
    for (int i = 0; i < frames; ++i) {
        const float l = std::clamp(stereoAccumulator[2 * i], -1.0f, 1.0f);
        const float r = std::clamp(stereoAccumulator[2 * i + 1], -1.0f, 1.0f);
        out[2 * i] = l;
        out[2 * i + 1] = r;
        left = std::max(left, std::fabs(l));
        right = std::max(right, std::fabs(r));
    }
    peakLeft = left;
    peakRight = right;
}

} // namespace pelgra::audio
