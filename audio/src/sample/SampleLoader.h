// Turns a sound file into a Sample at the mixing rate, a looping one as seamless as its
// file. Runs on the calling application thread; touches nothing the audio thread reads.
#ifndef PELGRA_AUDIO_SAMPLE_LOADER_H
#define PELGRA_AUDIO_SAMPLE_LOADER_H

#include "file/ByteSource.h"
#include "sample/Sample.h"

#include <cstdint>
#include <memory>

namespace pelgra::audio {

struct SampleRequest {
    int mixRate = 48000;
    bool loops = false;
    std::int64_t firstFrame = 0; // in the file's own frames
    std::int64_t frameCount = 0; // 0: to the end of the file
};

// Decoded files longer than this are refused (about 23 minutes of stereo at 48 kHz,
// 512 MiB of floats), whatever their header claims.
constexpr std::int64_t kMaxSampleFloats = std::int64_t{1} << 27;
// A source that cannot tell its size is read whole first, up to as many bytes as the
// decoded floats may take.
constexpr std::uint64_t kMaxSampleSourceBytes = std::uint64_t{kMaxSampleFloats} * sizeof(float);

// Null when the source is empty, damaged, cut short, of a format the decoder does not
// know, not mono or stereo, or too long. The source is let go of before this returns.
std::unique_ptr<Sample> loadSample(std::unique_ptr<ByteSource> source,
                                   const SampleRequest& request);

} // namespace pelgra::audio

#endif
