#include "decode/VorbisFileStream.h"

#include "decode/LoopTags.h"
#include "decode/OggProbe.h"
#include "failure/FailureReason.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace pelgra::audio {
namespace {
constexpr int kMaxHoles = 64;

// libvorbisfile reads the file through the library's own handle of it, which the stream
// closes: no close function.
std::size_t readFrom(void* into, std::size_t size, std::size_t count, void* input) {
    return size == 0 ? 0 : static_cast<ByteSource*>(input)->read(into, size * count) / size;
}

int seekIn(void* input, ogg_int64_t offset, int whence) {
    return static_cast<ByteSource*>(input)->seek(offset, whence) ? 0 : -1;
}

long tellIn(void* input) {
    return static_cast<long>(static_cast<ByteSource*>(input)->tell());
}

// libvorbisfile hands out one plane per channel; a stream has one or two (others are
// refused when opened). The stereo copy is a loop the compiler vectorises.
void interleave(float* const* planes, int channels, long frames, float* interleaved) noexcept {
    if (channels == 1) {
        std::memcpy(interleaved, planes[0], static_cast<std::size_t>(frames) * sizeof(float));
        return;
    }
    const float* __restrict left = planes[0];
    const float* __restrict right = planes[1];
    float* __restrict out = interleaved;
    for (long frame = 0; frame < frames; ++frame) {
        out[2 * frame] = left[frame];
        out[2 * frame + 1] = right[frame];
    }
}

constexpr ov_callbacks kReading = {readFrom, seekIn, nullptr, tellIn};
} // namespace

std::unique_ptr<AudioStream> VorbisFileStream::open(std::unique_ptr<ByteSource> input) {
    const bool whole = oggEndsWhole(*input);
    auto file = std::make_unique<OggVorbis_File>();
    // On failure libvorbisfile frees all it set up.
    if (!input->seek(0, SEEK_SET) ||
        ov_open_callbacks(input.get(), file.get(), nullptr, 0, kReading) != 0) {
        noteFailure(Failure::FileDamaged); // the probe found Vorbis: this one is damaged
        return nullptr;
    }
    const vorbis_info* first = ov_info(file.get(), 0);
    const ogg_int64_t frames = ov_pcm_total(file.get(), -1);
    if (first == nullptr || frames <= 0 || first->rate > INT_MAX) {
        ov_clear(file.get());
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    StreamInfo info;
    info.codec = "Ogg Vorbis";
    info.channels = first->channels;
    info.sampleRate = static_cast<int>(first->rate);
    info.frames = frames;
    info.cutShort = !whole;
    if (const vorbis_comment* comments = ov_comment(file.get(), 0)) {
        info.loop = loopFromComments(comments->user_comments, comments->comments, frames);
    }
    try {
        if (const vorbis_comment* comments = ov_comment(file.get(), 0)) {
            info.title = titleFromComments(comments->user_comments, comments->comments);
        }
        return std::unique_ptr<AudioStream>(
            new VorbisFileStream(std::move(input), std::move(file), info));
    } catch (...) {
        ov_clear(file.get());
        throw;
    }
}

VorbisFileStream::~VorbisFileStream() {
    ov_clear(m_file.get());
}

std::int64_t VorbisFileStream::readFrames(float* interleaved, std::int64_t frames) noexcept {
    float** planes = nullptr;
    const std::int64_t got = decode(&planes, frames);
    if (got > 0) {
        interleave(planes, info().channels, static_cast<long>(got), interleaved);
    }
    return got;
}

std::int64_t VorbisFileStream::readPlaneFrames(float** planes, float* /*room*/,
                                               std::int64_t frames) noexcept {
    float** decoded = nullptr;
    const std::int64_t got = decode(&decoded, frames);
    if (got > 0) {
        std::copy_n(decoded, info().channels, planes);
    }
    return got;
}

std::int64_t VorbisFileStream::decode(float*** planes, std::int64_t frames) noexcept {
    if (m_changed) {
        return 0;
    }
    const int channels = info().channels;
    // Each hole skips damaged data; a file that is nothing but holes is damaged.
    for (int holes = 0; holes < kMaxHoles; ++holes) {
        int link = 0;
        const long got = ov_read_float(
            m_file.get(), planes, static_cast<int>(std::min<std::int64_t>(frames, 4096)), &link);
        if (got == OV_HOLE) {
            continue;
        }
        if (got <= 0) {
            return got == 0 ? 0 : -1;
        }
        const vorbis_info* now = ov_info(m_file.get(), link);
        if (now == nullptr || now->channels != channels || now->rate != info().sampleRate) {
            m_changed = true;
            return 0;
        }
        return got;
    }
    return -1;
}

bool VorbisFileStream::seek(std::int64_t frame) noexcept {
    m_changed = false;
    return ov_pcm_seek(m_file.get(), frame) == 0;
}

} // namespace pelgra::audio
