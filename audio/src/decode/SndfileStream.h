// WAV, AIFF, FLAC, MP3 and the other formats libsndfile reads.
#ifndef PELGRA_AUDIO_SNDFILE_STREAM_H
#define PELGRA_AUDIO_SNDFILE_STREAM_H

#include "decode/AudioStream.h"

#include <sndfile.h>

namespace pelgra::audio {

class SndfileStream final : public AudioStream {
public:
    // Null when libsndfile does not take the file.
    static std::unique_ptr<AudioStream> open(const char* path);
    ~SndfileStream() override;
    SndfileStream(const SndfileStream&) = delete;
    SndfileStream& operator=(const SndfileStream&) = delete;

    bool seek(std::int64_t frame) noexcept override;

private:
    SndfileStream(SNDFILE* file, const StreamInfo& info) : AudioStream(info), m_file(file) {}
    std::int64_t readFrames(float* interleaved, std::int64_t frames) noexcept override;

    SNDFILE* m_file;
};

} // namespace pelgra::audio

#endif
