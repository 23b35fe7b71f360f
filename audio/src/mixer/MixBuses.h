// Where the voices of a block are mixed: an interleaved stereo accumulator, and a mono
// one for the voices heard alike on both sides (a mono sample, centred, at its own
// pitch: most sound effects). Adding such a voice to the mono bus costs half the stores
// of spreading it over both sides, and none of the interleaving; the bus goes to both
// sides once, at the end of the block. Audio thread only.
#ifndef PELGRA_AUDIO_MIX_BUSES_H
#define PELGRA_AUDIO_MIX_BUSES_H

namespace pelgra::audio {

struct MixBuses {
    float* stereo = nullptr; // 2 floats a frame
    float* centre = nullptr; // 1 float a frame, cleared with the stereo one
    bool centreUsed = false; // set by the first voice mixed to the centre
};

} // namespace pelgra::audio

#endif
