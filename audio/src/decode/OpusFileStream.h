// Opus through libopusfile, always as stereo at 48 kHz (libopusfile's own downmix of
// other channel layouts): exact seeking, the comments' loop tags, a clean refusal of
// damaged files.
#ifndef PELGRA_AUDIO_OPUS_FILE_STREAM_H
#define PELGRA_AUDIO_OPUS_FILE_STREAM_H

#include "decode/AudioStream.h"
#include "file/ByteSource.h"

struct OggOpusFile;

namespace pelgra::audio {

class OpusFileStream final : public AudioStream {
public:
    // Null when libopusfile does not take the file.
    static std::unique_ptr<AudioStream> open(std::unique_ptr<ByteSource> input);
    ~OpusFileStream() override;
    OpusFileStream(const OpusFileStream&) = delete;
    OpusFileStream& operator=(const OpusFileStream&) = delete;

    bool seek(std::int64_t frame) noexcept override;

private:
    OpusFileStream(std::unique_ptr<ByteSource> input, OggOpusFile* file, const StreamInfo& info)
        : AudioStream(info), m_input(std::move(input)), m_file(file) {}
    std::int64_t readFrames(float* interleaved, std::int64_t frames) noexcept override;

    std::unique_ptr<ByteSource> m_input; // what libopusfile reads, closed after it
    OggOpusFile* m_file;
};

} // namespace pelgra::audio

#endif
