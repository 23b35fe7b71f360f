// The inner loops: add a run of sample frames, scaled by a gain that moves linearly
// from `gain` by `gainStep` per frame, to an interleaved stereo accumulator. Mono
// frames go to both sides at full level.
#ifndef PELGRA_AUDIO_MIX_KERNELS_H
#define PELGRA_AUDIO_MIX_KERNELS_H

namespace pelgra::audio {

// How frames meet the block they are mixed into: added to what it holds, or written over
// it where it holds nothing yet (the first of a block's sources when no voice played),
// which spares the clearing of the block beforehand.
enum class MixInto { Add, Replace };

void mixMono(float* stereoAccumulator, const float* mono, int frames, float gain,
             float gainStep) noexcept;
// As mixMono, but to a mono accumulator: the centred voices' bus, folded into the
// stereo accumulator once a block instead of interleaving every voice on its own.
void mixCentre(float* monoAccumulator, const float* mono, int frames, float gain,
               float gainStep) noexcept;
void mixStereo(float* stereoAccumulator, const float* stereo, int frames, float gain,
               float gainStep) noexcept;
// One stereo frame of `stereo` scaled by `gain`, put as `into` says: for loops that work
// out a gain of their own for each frame.
inline void putStereoFrame(MixInto into, float* stereoAccumulator, const float* stereo,
                           float gain) noexcept {
    if (into == MixInto::Add) {
        stereoAccumulator[0] += stereo[0] * gain;
        stereoAccumulator[1] += stereo[1] * gain;
    } else {
        stereoAccumulator[0] = stereo[0] * gain;
        stereoAccumulator[1] = stereo[1] * gain;
    }
}
// As mixStereo, or writing over what the accumulator held, as `into` says.
void putStereo(MixInto into, float* stereoAccumulator, const float* stereo, int frames, float gain,
               float gainStep) noexcept;

} // namespace pelgra::audio

#endif
