#include "mixer/MixKernels.h"

#include <algorithm>
#include <cmath>

namespace pelgra::audio {

// A steady gain is by far the common case; its loops vectorise cleanly.
void mixMono(float* __restrict stereoAccumulator, const float* __restrict mono, int frames,
             float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        for (int i = 0; i < frames; ++i) {
            const float value = mono[i] * gain;
            stereoAccumulator[2 * i] += value;
            stereoAccumulator[2 * i + 1] += value;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float value = mono[i] * (gain + gainStep * static_cast<float>(i));
        stereoAccumulator[2 * i] += value;
        stereoAccumulator[2 * i + 1] += value;
    }
}

// The same gain per frame as mixMono, so that a voice adds exactly what it would there.
void mixCentre(float* __restrict monoAccumulator, const float* __restrict mono, int frames,
               float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        for (int i = 0; i < frames; ++i) {
            monoAccumulator[i] += mono[i] * gain;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        monoAccumulator[i] += mono[i] * (gain + gainStep * static_cast<float>(i));
    }
}

void mixStereo(float* __restrict stereoAccumulator, const float* __restrict stereo, int frames,
               float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        for (int i = 0; i < 2 * frames; ++i) {
            stereoAccumulator[i] += stereo[i] * gain;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float frameGain = gain + gainStep * static_cast<float>(i);
        stereoAccumulator[2 * i] += stereo[2 * i] * frameGain;
        stereoAccumulator[2 * i + 1] += stereo[2 * i + 1] * frameGain;
    }
}

void scaleStereo(float* __restrict stereoAccumulator, const float* __restrict stereo, int frames,
                 float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        for (int i = 0; i < 2 * frames; ++i) {
            stereoAccumulator[i] = stereo[i] * gain;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float frameGain = gain + gainStep * static_cast<float>(i);
        stereoAccumulator[2 * i] = stereo[2 * i] * frameGain;
        stereoAccumulator[2 * i + 1] = stereo[2 * i + 1] * frameGain;
    }
}

} // namespace pelgra::audio
