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
} // namespace

std::unique_ptr<AudioStream> OpusFileStream::open(const char* path) {
    int error = 0;
    // On failure libopusfile closes the file and frees all it set up.
    OggOpusFile* file = op_open_file(path, &error);
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
    info.cutShort = !oggEndsWhole(path);
    if (const OpusTags* tags = op_tags(file, 0)) {
        info.loop = loopFromComments(tags->user_comments, tags->comments, frames);
    }
    try {
        return std::unique_ptr<AudioStream>(new OpusFileStream(file, info));
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
