// A source of finished stereo frames that the mixer pulls on the audio thread, beside
// its sample voices: a song is one. Implementations keep mixInto() real-time safe: no
// lock an application thread can hold, no allocation or free, no file access.
// Mixer::attachSource puts one in a slot; after Mixer::detachSource returns, the audio
// thread no longer sees it and it may be deleted. A source that rests is not pulled
// until the application wakes its slot (Mixer::wakeSource) after changing it.
#ifndef PELGRA_AUDIO_STREAM_SOURCE_H
#define PELGRA_AUDIO_STREAM_SOURCE_H

#include "mixer/MixKernels.h"

namespace pelgra::audio {

class StreamSource {
public:
    virtual ~StreamSource() = default;

    // Adds up to `frames` stereo frames to `interleavedStereo` (2 * frames floats,
    // already holding the mix so far). Returns the frames added; fewer than asked
    // (0 when stopped, paused or not rendered ahead yet) means silence for the rest.
    // Called from the audio thread only.
    virtual int mixInto(float* interleavedStereo, int frames) noexcept = 0;

    // As mixInto(), with the frames scaled by a gain that moves linearly from `gain` by
    // `gainStep` per frame (the mixer's music gain), and added or, where `into` says
    // Replace, written over what `interleavedStereo` held (the frames past those
    // returned are then left as they were, for the mixer to clear). This one mixes the
    // source's frames into a scratch block on the stack and puts that: a source that can
    // fold the gain into its own mix overrides it and saves the pass.
    virtual int mixScaled(float* interleavedStereo, int frames, float gain, float gainStep,
                          MixInto into) noexcept;

    // True when mixInto() would add nothing until an application thread changes the
    // source (a stopped or paused song whose fade-out has been mixed): the mixer then
    // stops pulling it, and an idle callback costs nothing for it. Called from the audio
    // thread only, after mixInto().
    virtual bool resting() const noexcept { return false; }

    // For mixing faster than real time on an application thread (the manual output):
    // waits, for a bounded time, until the next `frames` frames can be supplied, so
    // that such a mix hears what a real-time one would. False when the wait timed out.
    // The audio thread never calls it.
    virtual bool awaitRendered(int /*frames*/) noexcept { return true; }
};

} // namespace pelgra::audio

#endif
