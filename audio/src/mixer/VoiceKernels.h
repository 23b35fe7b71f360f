// The inner loops of a voice whose sides differ or whose pitch is not the sample's own.
// A voice at its defaults uses mixMono and mixStereo (MixKernels.h) instead: these cost
// more per frame. Gains move linearly per frame; audio thread only.
#ifndef PELGRA_AUDIO_VOICE_KERNELS_H
#define PELGRA_AUDIO_VOICE_KERNELS_H

#include <cstdint>

namespace pelgra::audio {

struct Sample;

// The gain of each output side at the run's first frame, and its change per frame.
struct SideGains {
    float left = 1.0f;
    float right = 1.0f;
    float leftStep = 0.0f;
    float rightStep = 0.0f;
};

// Adds `frames` frames of a mono or stereo run, each side at its own gain. A stereo
// frame's left channel goes to the left side only, its right to the right side only.
void mixMonoSides(float* stereoAccumulator, const float* mono, int frames,
                  const SideGains& gains) noexcept;
void mixStereoSides(float* stereoAccumulator, const float* stereo, int frames,
                    const SideGains& gains) noexcept;

// Where a voice reads its sample between two frames: `frame` plus `fraction` (0..1).
struct ReadHead {
    std::int64_t frame = 0;
    double fraction = 0.0;
};

// Adds up to `frames` output frames read from `sample` at `ratio` sample frames per
// output frame, the ratio moving by `ratioStep` per frame, and moves `head` on. A
// looping sample goes round and round; a one-shot stops once the head passes its last
// frame. Returns the frames mixed: fewer than `frames` only when a one-shot ended.
int mixPitched(float* stereoAccumulator, const Sample& sample, ReadHead& head, int frames,
               double ratio, double ratioStep, const SideGains& gains) noexcept;

} // namespace pelgra::audio

#endif
