// WAV, AIFF, FLAC, MP3 and the other formats libsndfile reads.
#ifndef PELGRA_AUDIO_SNDFILE_STREAM_H
#define PELGRA_AUDIO_SNDFILE_STREAM_H

#include "decode/AudioStream.h"
#include "file/ByteSource.h"

#include <sndfile.h>

namespace pelgra::audio {

class SndfileStream final : public AudioStream {
public:
    // Null when libsndfile does not take the file.
    static std::unique_ptr<AudioStream> open(std::unique_ptr<ByteSource> input);
    ~SndfileStream() override;
    SndfileStream(const SndfileStream&) = delete;
    SndfileStream& operator=(const SndfileStream&) = delete;

    bool seek(std::int64_t frame) noexcept override;

private:
    SndfileStream(std::unique_ptr<ByteSource> input, SNDFILE* file, const StreamInfo& info,
                  Values values)
        : AudioStream(info, values), m_input(std::move(input)), m_file(file) {}
    std::int64_t readFrames(float* interleaved, std::int64_t frames) noexcept override;

    std::unique_ptr<ByteSource> m_input; // what libsndfile reads, closed after it
    SNDFILE* m_file;
};

} // namespace pelgra::audio

#endif
