// Decoding a whole sound file to float frames at the file's own rate, through
// libsndfile.
#ifndef PELGRA_AUDIO_DECODER_H
#define PELGRA_AUDIO_DECODER_H

#include <cstdint>
#include <optional>
#include <vector>

namespace pelgra::audio {

struct DecodedAudio {
    std::vector<float> data; // interleaved
    int channels = 0;
    int sampleRate = 0;
    std::int64_t frames() const { return static_cast<std::int64_t>(data.size()) / channels; }
};

// Empty when the file cannot be decoded completely, or would decode to more than
// maxFloats values.
std::optional<DecodedAudio> decodeFile(const char* path, std::int64_t maxFloats);

} // namespace pelgra::audio

#endif
