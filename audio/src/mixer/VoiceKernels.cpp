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

// One channel of the sample's frame `index`. Past its end a loop goes on from its start
// (`loopStart`), so that the curve across the seam reads the frames played next; before
// its first frame a whole-sample loop reads its end. A one-shot, and a loop after an
// intro, are silent before themselves.
template <int Channels>
float tapAt(const float* data, std::int64_t length, bool loops, std::int64_t loopStart,
            std::int64_t index, int channel) noexcept {
    if (index < 0 || index >= length) {
        if (!loops || (index < 0 && loopStart > 0)) {
            return 0.0f;
        }
        index = index < 0 ? (index % length + length) % length
                          : loopStart + (index - length) % (length - loopStart);
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

// Inside the loop the head is a fixed-point number, whole frames above 32 bits of
// fraction: moving it is one integer addition, which keeps the conversions of a
// floating-point head (a dependency chain of several instructions a frame) off the
// loop's critical path. 2^-32 of a frame is far finer than any pitch needs.
constexpr int kFractionBits = 32;
constexpr double kFixedOne = 4294967296.0; // 2^32
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;

inline std::int64_t fixedFrames(double frames) noexcept {
    return std::llround(frames * kFixedOne);
}

template <int Channels>
int mixPitchedFrames(float* __restrict stereoAccumulator, const Sample& sample, ReadHead& head,
                     int frames, double ratio, double ratioStep, const SideGains& gains) noexcept {
    const float* data = sample.data.data();
    const std::int64_t length = sample.frames;
    const auto end = static_cast<std::uint64_t>(length) << kFractionBits;
    const bool loops = sample.loops;
    std::uint64_t position = (static_cast<std::uint64_t>(head.frame) << kFractionBits) +
                             static_cast<std::uint64_t>(fixedFrames(head.fraction));
    // The ratio, and so each frame's step, moves linearly over the run.
    std::int64_t step = fixedFrames(ratio);
    const std::int64_t stepChange = fixedFrames(ratioStep);
    const std::int64_t fastest = std::max(step, step + stepChange * frames);
    // While the head stays at most at length - 3, all four frames around it lie in the
    // sample: a stretch of frames read straight, without a check each.
    const std::int64_t lastStraight = (length - 3) * (std::int64_t{1} << kFractionBits);
    const auto fractionOf = [](std::uint64_t at) {
        return static_cast<float>(static_cast<double>(at & kFractionMask) / kFixedOne);
    };
    int mixed = 0;
    while (mixed < frames && position < end) {
        const auto frame = static_cast<std::int64_t>(position >> kFractionBits);
        const std::int64_t room = lastStraight - static_cast<std::int64_t>(position);
        if (frame >= 1 && room >= 0) {
            const int stretchEnd =
                mixed +
                static_cast<int>(std::min<std::int64_t>(frames - mixed, room / fastest + 1));
            for (; mixed < stretchEnd; ++mixed) {
                const auto at = static_cast<std::int64_t>(position >> kFractionBits);
                addCurve<Channels>(stereoAccumulator, mixed, data + (at - 1) * Channels,
                                   fractionOf(position), gains);
                position += static_cast<std::uint64_t>(step);
                step += stepChange;
            }
            continue;
        }
        // Near either end: the frames around the head gathered one by one.
        float around[4 * Channels];
        for (int k = 0; k < 4; ++k) {
            for (int c = 0; c < Channels; ++c) {
                around[k * Channels + c] =
                    tapAt<Channels>(data, length, loops, sample.loopStart, frame + k - 1, c);
            }
        }
        addCurve<Channels>(stereoAccumulator, mixed, around, fractionOf(position), gains);
        position += static_cast<std::uint64_t>(step);
        step += stepChange;
        ++mixed;
        if (position >= end && loops) {
            const auto start = static_cast<std::uint64_t>(sample.loopStart) << kFractionBits;
            position = start + (position - end) % (end - start);
        }
    }
    head.frame = static_cast<std::int64_t>(position >> kFractionBits);
    head.fraction = static_cast<double>(position & kFractionMask) / kFixedOne;
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
