// A many-channel XM module for the instruction counts: chords spread over every channel
// on two looped single-cycle instruments, the load a large tracker song puts on its
// renderer, written by code instead of kept as a file.
#ifndef PELGRA_BENCH_MANY_CHANNEL_MODULE_H
#define PELGRA_BENCH_MANY_CHANNEL_MODULE_H

#include <cstdint>
#include <vector>

// The bytes of an XM file of `channels` channels (at most 32).
std::vector<std::uint8_t> makeManyChannelModule(int channels);

#endif
