// One input through the audio library as an application would pass it: written to a
// file, loaded, played, mixed briefly by the manual output and freed. Shared by the
// libFuzzer harnesses and the test that replays their findings without libFuzzer.
//
// The library is started once per process, with the manual output, and keeps one MIDI
// song of its own loaded from the first song input on. Each call aborts
// when the library breaks a promise on the way: a handle still alive after its free,
// or mixed output that is not finite or lies outside [-1, 1].
#ifndef PELGRA_FUZZ_TARGETS_H
#define PELGRA_FUZZ_TARGETS_H

#include <cstddef>
#include <cstdint>

namespace pelgra::fuzz {

// Returns true when the bytes loaded as a sample.
bool playAsSample(const std::uint8_t* data, std::size_t size);

// Returns true when the bytes loaded as a song. A streamed song's file is cut to half
// while it plays.
bool playAsSong(const std::uint8_t* data, std::size_t size);

} // namespace pelgra::fuzz

#endif
