// A sound file read a little at a time as float frames at the file's own rate: the one
// way the library decodes, for sound effects decoded whole and for songs streamed.
// Each format goes through the library that serves it best: Ogg Vorbis through
// libvorbisfile, Opus through libopusfile, the rest through libsndfile. Used by one
// thread at a time; it reads the file, so never on the audio thread.
#ifndef PELGRA_AUDIO_AUDIO_STREAM_H
#define PELGRA_AUDIO_AUDIO_STREAM_H

#include "file/ByteSource.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pelgra::audio {

// A stretch of a file's frames, [start, end), that a song repeats after its first pass.
struct LoopPoints {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

struct StreamInfo {
    const char* codec = "";         // "Ogg Vorbis", "Opus", "FLAC", "MP3", "WAV", "AIFF", ...
    int channels = 0;               // 1 or 2
    int sampleRate = 0;             // of the frames read
    std::int64_t frames = 0;        // as the file tells it; reading may end sooner
    std::optional<LoopPoints> loop; // tagged (LOOPSTART...) or WAV smpl; checked
    bool cutShort = false;          // the file ends before its own headers say it does
    std::string title;              // from the TITLE comment or the file's title; may be empty
};

class AudioStream {
public:
    // How far a decoder's values may stray: anywhere (float samples, and lossy codecs,
    // whose filters overshoot and whose damaged data may give anything), or no further
    // than full scale, always finite (integer samples, scaled). Only the first are made
    // mixable value by value.
    enum class Values { Any, WithinFullScale };

    virtual ~AudioStream() = default;
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    const StreamInfo& info() const noexcept { return m_info; }

    // Reads up to `frames` interleaved frames. Returns the frames read, 0 at the end of
    // what can be played (also where a chained file changes its rate or channels), -1
    // when the data is damaged or cannot be read. Every value is finite and bounded.
    std::int64_t read(float* interleaved, std::int64_t frames) noexcept;

    // The same with one plane per channel, as libsoxr takes split channels: `planes[c]`
    // is set to channel c's frames, in the decoder's own buffer (valid until the next
    // read or seek) where it decodes to planes, otherwise in `room`, which holds
    // 2 * frames * channels values.
    std::int64_t readPlanes(const float** planes, float* room, std::int64_t frames) noexcept;

    // From here on, reads fail once `source` (which the decoder reads, and which lives as
    // long as the stream) has had a read fail: decoders take an application's failed
    // read for the end of its bytes.
    void watch(const ByteSource* source) noexcept { m_source = source; }

    // Continues reading from a frame, sample-exactly. False when that failed; the
    // position is then undefined until a seek succeeds.
    virtual bool seek(std::int64_t frame) noexcept = 0;

protected:
    explicit AudioStream(const StreamInfo& info, Values values = Values::Any)
        : m_info(info), m_values(values) {}
    virtual std::int64_t readFrames(float* interleaved, std::int64_t frames) noexcept = 0;
    // Decoders that give interleaved frames have them split in `room`.
    virtual std::int64_t readPlaneFrames(float** planes, float* room, std::int64_t frames) noexcept;

private:
    // Bounds the values a read gave, where the decoder does not.
    void guardValues(float* values, std::int64_t count) const noexcept;

    StreamInfo m_info;
    Values m_values;
    const ByteSource* m_source = nullptr;
};

// Null for a null path, a missing, empty or non-regular file, one the system refuses to
// open, a format none of the decoders takes, or one that is not mono or stereo or has
// an unplayable rate or no frames. Prints nothing. The stream keeps the file open.
std::unique_ptr<AudioStream> openAudioStream(const char* path);
// The same for a source opened already, of known size (its position does not matter).
std::unique_ptr<AudioStream> openAudioStream(std::unique_ptr<ByteSource> input);

} // namespace pelgra::audio

#endif
