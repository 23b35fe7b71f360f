// Ogg Vorbis through libvorbisfile: exact seeking, the comments' loop tags, and a clean
// refusal of damaged files.
#ifndef PELGRA_AUDIO_VORBIS_FILE_STREAM_H
#define PELGRA_AUDIO_VORBIS_FILE_STREAM_H

#include "decode/AudioStream.h"
#include "file/ByteSource.h"

#include <vorbis/vorbisfile.h>

namespace pelgra::audio {

class VorbisFileStream final : public AudioStream {
public:
    // Null when libvorbisfile does not take the file.
    static std::unique_ptr<AudioStream> open(std::unique_ptr<ByteSource> input);
    ~VorbisFileStream() override;
    VorbisFileStream(const VorbisFileStream&) = delete;
    VorbisFileStream& operator=(const VorbisFileStream&) = delete;

    bool seek(std::int64_t frame) noexcept override;

private:
    VorbisFileStream(std::unique_ptr<ByteSource> input, std::unique_ptr<OggVorbis_File> file,
                     const StreamInfo& info)
        : AudioStream(info), m_input(std::move(input)), m_file(std::move(file)) {}
    std::int64_t readFrames(float* interleaved, std::int64_t frames) noexcept override;
    // libvorbisfile's own planes, without a copy.
    std::int64_t readPlaneFrames(float** planes, float* room,
                                 std::int64_t frames) noexcept override;
    // Decodes up to `frames` frames into libvorbisfile's planes, set in `planes`.
    std::int64_t decode(float*** planes, std::int64_t frames) noexcept;

    std::unique_ptr<ByteSource> m_input; // what libvorbisfile reads, closed after it
    std::unique_ptr<OggVorbis_File> m_file;
    // Set when a chained file goes on with another rate or channel count: the stream
    // ends there until the next seek.
    bool m_changed = false;
};

} // namespace pelgra::audio

#endif
