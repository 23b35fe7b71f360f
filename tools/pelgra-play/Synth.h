// The demo's sound effects, synthesised from nothing: mono, -1..1, at any rate.
#ifndef PELGRA_PLAY_SYNTH_H
#define PELGRA_PLAY_SYNTH_H

#include <vector>

namespace pelgra::play {

// A falling square-ish zap, 2 kHz down to 150 Hz, 0.35 s.
std::vector<float> synthLaser(int rate);

// A kick drum: a sine dropping from 160 Hz to 45 Hz under a noise click, 0.45 s.
std::vector<float> synthDrum(int rate);

// A two-note square blip, B5 then E6, 0.35 s.
std::vector<float> synthCoin(int rate);

} // namespace pelgra::play

#endif
