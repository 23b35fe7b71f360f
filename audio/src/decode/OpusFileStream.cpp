#include "decode/OpusFileStream.h"

#include "decode/LoopTags.h"
#include "decode/OggProbe.h"
#include "failure/FailureReason.h"

#include <opusfile.h>

#include <algorithm>

namespace pelgra::audio {
namespace {
constexpr int kOpusRate = 48000;
constexpr int kMaxReadFrames = 4096;
constexpr int kMaxHoles = 64;

// libopusfile reads the file through the library's own handle of it, which the stream
// closes: no close function.
int readFrom(void* input, unsigned char* into, int bytes) {
    return bytes <= 0 ? 0
                      : static_cast<int>(static_cast<ByteSource*>(input)->read(
                            into, static_cast<std::size_t>(bytes)));
}

int seekIn(void* input, opus_int64 offset, int whence) {
    return static_cast<ByteSource*>(input)->seek(offset, whence) ? 0 : -1;
}

opus_int64 tellIn(void* input) {
    return static_cast<ByteSource*>(input)->tell();
}

constexpr OpusFileCallbacks kReading = {readFrom, seekIn, tellIn, nullptr};
} // namespace

std::unique_ptr<AudioStream> OpusFileStream::open(std::unique_ptr<ByteSource> input) {
    const bool whole = oggEndsWhole(*input);
    int error = 0;
    // On failure libopusfile frees all it set up.
    OggOpusFile* file = input->seek(0, SEEK_SET)
                            ? op_open_callbacks(input.get(), &kReading, nullptr, 0, &error)
                            : nullptr;
    if (file == nullptr) {
        noteFailure(Failure::FileDamaged); // the probe found Opus: this one is damaged
        return nullptr;
    }
    const ogg_int64_t frames = op_pcm_total(file, -1);
    if (frames <= 0) {
        op_free(file);
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    StreamInfo info;
    info.codec = "Opus";
    info.channels = 2;
    info.sampleRate = kOpusRate;
    info.frames = frames;
    info.cutShort = !whole;
    if (const OpusTags* tags = op_tags(file, 0)) {
        info.loop = loopFromComments(tags->user_comments, tags->comments, frames);
    }
    try {
        if (const OpusTags* tags = op_tags(file, 0)) {
            info.title = titleFromComments(tags->user_comments, tags->comments);
        }
        return std::unique_ptr<AudioStream>(new OpusFileStream(std::move(input), file, info));
    } catch (...) {
        op_free(file);
        throw;
    }
}

OpusFileStream::~OpusFileStream() {
    op_free(m_file);
}

std::int64_t OpusFileStream::readFrames(float* interleaved, std::int64_t frames) noexcept {
    // Each hole skips damaged data; a file that is nothing but holes is damaged.
    for (int holes = 0; holes < kMaxHoles; ++holes) {
        const int got = op_read_float_stereo(
            m_file, interleaved,
            2 * static_cast<int>(std::min<std::int64_t>(frames, kMaxReadFrames)));
        if (got == OP_HOLE) {
            continue;
        }
        return got >= 0 ? got : -1;
    }
    return -1;
}

bool OpusFileStream::seek(std::int64_t frame) noexcept {
    return op_pcm_seek(m_file, frame) == 0;
}

} // namespace pelgra::audio
