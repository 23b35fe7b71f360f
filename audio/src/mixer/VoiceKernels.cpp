#include "mixer/VoiceKernels.h"

#include "sample/Sample.h"

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
    const float slope = 0.5f * (next - before);
    const float curve = before - 2.5f * at + 2.0f * next - 0.5f * after;
    const float bend = 0.5f * (after - before) + 1.5f * (at - next);
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

template <int Channels>
int mixPitchedFrames(float* __restrict stereoAccumulator, const Sample& sample, ReadHead& head,
                     int frames, double ratio, double ratioStep, const SideGains& gains) noexcept {
    const float* data = sample.data.data();
    const std::int64_t length = sample.frames;
    const bool loops = sample.loops;
    std::int64_t frame = head.frame;
    double fraction = head.fraction;
    int mixed = 0;
    for (; mixed < frames && frame < length; ++mixed) {
        // taps[k][c]: channel c of the frame k - 1 places from the head's.
        float taps[4][Channels];
        if (frame >= 1 && frame + 2 < length) {
            const float* around = data + (frame - 1) * Channels;
            for (int k = 0; k < 4; ++k) {
                for (int c = 0; c < Channels; ++c) {
                    taps[k][c] = around[k * Channels + c];
                }
            }
        } else {
            for (int k = 0; k < 4; ++k) {
                for (int c = 0; c < Channels; ++c) {
                    taps[k][c] = tapAt<Channels>(data, length, loops, frame + k - 1, c);
                }
            }
        }
        const auto t = static_cast<float>(fraction);
        const float first = hermite(taps[0][0], taps[1][0], taps[2][0], taps[3][0], t);
        float second = first;
        if constexpr (Channels == 2) {
            second = hermite(taps[0][1], taps[1][1], taps[2][1], taps[3][1], t);
        }
        const auto step = static_cast<float>(mixed);
        stereoAccumulator[2 * mixed] += first * (gains.left + gains.leftStep * step);
        stereoAccumulator[2 * mixed + 1] += second * (gains.right + gains.rightStep * step);

        fraction += ratio + ratioStep * static_cast<double>(mixed);
        const auto whole = static_cast<std::int64_t>(fraction);
        frame += whole;
        fraction -= static_cast<double>(whole);
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
