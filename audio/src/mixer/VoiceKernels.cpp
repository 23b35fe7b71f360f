#include "mixer/VoiceKernels.h"

#include "sample/Sample.h"

#include <algorithm>
#include <cmath>

namespace pelgra::audio {

void mixMonoSides(float* __restrict stereoAccumulator, const float* __restrict mono, int frames,
                  const SideGains& gains) noexcept {
    const float left = gains.left;
    const float right = gains.right;
    if (gains.leftStep == 0.0f && gains.rightStep == 0.0f) {
        for (int i = 0; i < frames; ++i) {
            stereoAccumulator[2 * i] += mono[i] * left;
            stereoAccumulator[2 * i + 1] += mono[i] * right;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const auto frame = static_cast<float>(i);
        stereoAccumulator[2 * i] += mono[i] * (left + gains.leftStep * frame);
        stereoAccumulator[2 * i + 1] += mono[i] * (right + gains.rightStep * frame);
    }
}

void mixStereoSides(float* __restrict stereoAccumulator, const float* __restrict stereo, int frames,
                    const SideGains& gains) noexcept {
    const float left = gains.left;
    const float right = gains.right;
    if (gains.leftStep == 0.0f && gains.rightStep == 0.0f) {
        for (int i = 0; i < frames; ++i) {
            stereoAccumulator[2 * i] += stereo[2 * i] * left;
            stereoAccumulator[2 * i + 1] += stereo[2 * i + 1] * right;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const auto frame = static_cast<float>(i);
        stereoAccumulator[2 * i] += stereo[2 * i] * (left + gains.leftStep * frame);
        stereoAccumulator[2 * i + 1] += stereo[2 * i + 1] * (right + gains.rightStep * frame);
    }
}

namespace {

// A 4-point cubic Hermite (Catmull-Rom) curve through the frames before, at, next and
// after, `t` (0..1) of the way from `at` to `next`. It is what game mixers use for
// real-time pitch: it passes through every frame (t = 0 gives `at` exactly), its slope
// runs on without a kink from one frame to the next, and it keeps no state, so a voice
// starts on its first frame at once and needs nothing set up off the audio thread. Linear
// interpolation is cheaper but dulls the highs and leaves loud images; a windowed-sinc
// resampler per voice costs tens of taps a frame. Raising the pitch is not filtered
// first: what lies above the mixing rate's Nyquist frequency divided by the ratio folds
// back, as in other game mixers.
inline float hermite(float before, float at, float next, float after, float t) noexcept {
    // The cubic's coefficients, the second written through the other two to save work.
    const float slope = 0.5f * (next - before);
    const float bend = 1.5f * (at - next) + 0.5f * (after - before);
    const float curve = before - at + slope - bend;
    return ((bend * t + curve) * t + slope) * t + at;
}

// One channel of the sample's frame `index`. Outside the sample a loop goes on from its
// other end, so that the curve across the seam reads the frames played next; a one-shot
// is silent before and after itself.
template <int Channels>
float tapAt(const float* data, std::int64_t length, bool loops, std::int64_t index,
            int channel) noexcept {
    if (index < 0 || index >= length) {
        if (!loops) {
            return 0.0f;
        }
        index = (index % length + length) % length;
    }
    return data[index * Channels + channel];
}

// Adds output frame `i`, `t` of the way between the second and third of the four frames
// at `around` (interleaved, as in a sample).
template <int Channels>
inline void addCurve(float* __restrict stereoAccumulator, int i, const float* __restrict around,
                     float t, const SideGains& gains) noexcept {
    const float first =
        hermite(around[0], around[Channels], around[2 * Channels], around[3 * Channels], t);
    float second = first;
    if constexpr (Channels == 2) {
        second = hermite(around[1], around[3], around[5], around[7], t);
    }
    const auto step = static_cast<float>(i);
    stereoAccumulator[2 * i] += first * (gains.left + gains.leftStep * step);
    stereoAccumulator[2 * i + 1] += second * (gains.right + gains.rightStep * step);
}

inline void moveHead(std::int64_t& frame, double& fraction, double by) noexcept {
    fraction += by;
    const auto whole = static_cast<std::int64_t>(fraction);
    frame += whole;
    fraction -= static_cast<double>(whole);
}

template <int Channels>
int mixPitchedFrames(float* __restrict stereoAccumulator, const Sample& sample, ReadHead& head,
                     int frames, double ratio, double ratioStep, const SideGains& gains) noexcept {
    const float* data = sample.data.data();
    const std::int64_t length = sample.frames;
    const bool loops = sample.loops;
    std::int64_t frame = head.frame;
    double fraction = head.fraction;
    // The head moves at most this far per frame in this run (the ratio moves linearly).
    const double fastest = std::max(ratio, ratio + ratioStep * static_cast<double>(frames));
    int mixed = 0;
    while (mixed < frames && frame < length) {
        // While the head stays at most at length - 3, all four frames around it lie in
        // the sample: a stretch of frames read straight, without a check each.
        const double room = static_cast<double>(length - 3 - frame) - fraction;
        if (frame >= 1 && room >= 0.0) {
            const int end = mixed + static_cast<int>(std::min(static_cast<double>(frames - mixed),
                                                              std::floor(room / fastest) + 1.0));
            for (; mixed < end; ++mixed) {
                addCurve<Channels>(stereoAccumulator, mixed, data + (frame - 1) * Channels,
                                   static_cast<float>(fraction), gains);
                moveHead(frame, fraction, ratio + ratioStep * static_cast<double>(mixed));
            }
            continue;
        }
        // Near either end: the frames around the head gathered one by one.
        float around[4 * Channels];
        for (int k = 0; k < 4; ++k) {
            for (int c = 0; c < Channels; ++c) {
                around[k * Channels + c] = tapAt<Channels>(data, length, loops, frame + k - 1, c);
            }
        }
        addCurve<Channels>(stereoAccumulator, mixed, around, static_cast<float>(fraction), gains);
        moveHead(frame, fraction, ratio + ratioStep * static_cast<double>(mixed));
        ++mixed;
        if (frame >= length && loops) {
            frame %= length;
        }
    }
    head.frame = frame;
    head.fraction = fraction;
    return mixed;
}

} // namespace

int mixPitched(float* stereoAccumulator, const Sample& sample, ReadHead& head, int frames,
               double ratio, double ratioStep, const SideGains& gains) noexcept {
    if (sample.channels == 1) {
        return mixPitchedFrames<1>(stereoAccumulator, sample, head, frames, ratio, ratioStep,
                                   gains);
    }
    return mixPitchedFrames<2>(stereoAccumulator, sample, head, frames, ratio, ratioStep, gains);
}

} // namespace pelgra::audio
