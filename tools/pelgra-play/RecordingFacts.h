// What a sampled recording holds as the audio library decodes it, read through the same
// third-party libraries it uses: Ogg Vorbis through libvorbisfile, Opus through
// libopusfile, the rest through libsndfile. --info and the status line need its length
// and loop, which the library's interface does not tell.
#ifndef PELGRA_PLAY_RECORDING_FACTS_H
#define PELGRA_PLAY_RECORDING_FACTS_H

#include <optional>
#include <string>
#include <utility>

namespace pelgra::play {

struct RecordingFacts {
    std::string codec;    // "Ogg Vorbis", "Opus", "FLAC", "MP3", "WAV", "AIFF" or "PCM"
    int channels = 0;     // as decoded: Opus always decodes to stereo
    int rate = 0;         // of the frames decoded
    long long frames = 0; // as the file tells it
    // The frames [start, end) that repeat after the first pass, from LOOPSTART with
    // LOOPLENGTH or LOOPEND in Vorbis or Opus comments, when they lie within the file.
    std::optional<std::pair<long long, long long>> loop;
};

// Nothing for a file the library would not decode: one none of its decoders takes, a
// damaged Ogg Vorbis or Opus file, another kind of Ogg stream, or a recording that is
// not mono or stereo or holds no frames.
std::optional<RecordingFacts> readRecordingFacts(const std::string& path);

} // namespace pelgra::play

#endif
