#include "mixer/MixKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
// Most voices of a busy mix take the steady loop, in turns of 16 frames: four vectors of
// four at SSE2's width (two at AVX's), so that the loop's count, compare and branch cost
// a fifth of the work instead of three eighths. The rest of a run goes one by one.
void mixCentre(float* __restrict monoAccumulator, const float* __restrict mono, int frames,
               float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        constexpr int kTurn = 16;
        int i = 0;
        for (; i + kTurn <= frames; i += kTurn) {
            for (int k = i; k < i + kTurn; ++k) {
                monoAccumulator[k] += mono[k] * gain;
            }
        }
        for (; i < frames; ++i) {
            monoAccumulator[i] += mono[i] * gain;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        monoAccumulator[i] += mono[i] * (gain + gainStep * static_cast<float>(i));
    }
}

namespace {

template <MixInto kInto> void put(float& to, float value) {
    if constexpr (kInto == MixInto::Add) {
        to += value;
    } else {
        to = value;
    }
}

// A song's frames come this way, every block: the steady loop goes in turns of 16
// samples, as mixCentre's does.
template <MixInto kInto>
void putStereoFrames(float* __restrict stereoAccumulator, const float* __restrict stereo,
                     int frames, float gain, float gainStep) noexcept {
    if (gainStep == 0.0f) {
        constexpr int kTurn = 16;
        int i = 0;
        for (; i + kTurn <= 2 * frames; i += kTurn) {
            for (int k = i; k < i + kTurn; ++k) {
                put<kInto>(stereoAccumulator[k], stereo[k] * gain);
            }
        }
        for (; i < 2 * frames; ++i) {
            put<kInto>(stereoAccumulator[i], stereo[i] * gain);
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float frameGain = gain + gainStep * static_cast<float>(i);
        put<kInto>(stereoAccumulator[2 * i], stereo[2 * i] * frameGain);
        put<kInto>(stereoAccumulator[2 * i + 1], stereo[2 * i + 1] * frameGain);
    }
}

} // namespace

void mixStereo(float* stereoAccumulator, const float* stereo, int frames, float gain,
               float gainStep) noexcept {
    putStereoFrames<MixInto::Add>(stereoAccumulator, stereo, frames, gain, gainStep);
}

void putStereo(MixInto into, float* stereoAccumulator, const float* stereo, int frames, float gain,
               float gainStep) noexcept {
    if (into == MixInto::Replace && gain == 1.0f && gainStep == 0.0f) {
        // A lone song at full volume, as songs start: the C library's copy moves the
        // widest vectors the machine has, and x * 1 is x (a NaN stays a NaN).
        std::memcpy(stereoAccumulator, stereo,
                    sizeof(float) * static_cast<std::size_t>(2 * frames));
        return;
    }
    if (into == MixInto::Add) {
        putStereoFrames<MixInto::Add>(stereoAccumulator, stereo, frames, gain, gainStep);
    } else {
        putStereoFrames<MixInto::Replace>(stereoAccumulator, stereo, frames, gain, gainStep);
    }
}

} // namespace pelgra::audio
