// Ready-made songs written by this library's generators: the tests', the player's demo
// and the benchmarks' music, and seeds for fuzzing the song loaders.
#ifndef PELGRA_GEN_DEMO_SONGS_H
#define PELGRA_GEN_DEMO_SONGS_H

#include <cstdint>
#include <string>
#include <vector>

namespace pelgra::gen {

// A looping four-channel tune of a few patterns: a square-wave melody and bass over a
// saw-wave counter-line, notes from the first row on.
std::vector<std::uint8_t> makeDemoModule();

// A short looping General MIDI tune: a piano melody over a bass line.
std::vector<std::uint8_t> makeDemoMidi();

// Writes the bytes to a file; false when it cannot be written.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace pelgra::gen

#endif
