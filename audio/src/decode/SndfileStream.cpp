#include "decode/SndfileStream.h"

#include "failure/FailureReason.h"

#include <array>
#include <cstring>
#include <mutex>

namespace pelgra::audio {
namespace {

// libsndfile quietly shortens a WAV or AIFF whose data chunk claims more than the file
// holds, and notes it in its log as "data : <claimed> (should be <actual>)".
bool dataChunkCutShort(SNDFILE* file) {
    std::array<char, 8192> log{};
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    log.back() = '\0';
    const char* data = std::strstr(log.data(), "data : ");
    if (data == nullptr) {
        return false;
    }
    const char* lineEnd = std::strchr(data, '\n');
    const char* shouldBe = std::strstr(data, "should be");
    return shouldBe != nullptr && (lineEnd == nullptr || shouldBe < lineEnd);
}

// libsndfile writes why a file failed to open into one global buffer, with no lock of
// its own: opens go one at a time, and a failure's reason is read before the next.
// Decoding, the long part, runs on in parallel.
SNDFILE* openOneAtATime(const char* path, SF_INFO& info) {
    static std::mutex opening;
    std::lock_guard lock(opening);
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        const int reason = sf_error(nullptr);
        noteFailure(reason == SF_ERR_UNRECOGNISED_FORMAT || reason == SF_ERR_UNSUPPORTED_ENCODING
                        ? Failure::UnsupportedFormat
                        : Failure::FileDamaged);
    }
    return file;
}

const char* codecName(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return "WAV";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_MPEG:
        return "MP3";
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "Opus" : "Ogg Vorbis";
    default:
        return "PCM";
    }
}

} // namespace

std::unique_ptr<AudioStream> SndfileStream::open(const char* path) {
    SF_INFO sfInfo{};
    SNDFILE* file = openOneAtATime(path, sfInfo);
    if (file == nullptr) {
        return nullptr;
    }
    StreamInfo info;
    info.codec = codecName(sfInfo.format);
    info.channels = sfInfo.channels;
    info.sampleRate = sfInfo.samplerate;
    info.frames = sfInfo.frames;
    info.cutShort = dataChunkCutShort(file);
    try {
        return std::unique_ptr<AudioStream>(new SndfileStream(file, info));
    } catch (...) {
        sf_close(file);
        throw;
    }
}

SndfileStream::~SndfileStream() {
    sf_close(m_file);
}

std::int64_t SndfileStream::readFrames(float* interleaved, std::int64_t frames) noexcept {
    const sf_count_t got = sf_readf_float(m_file, interleaved, frames);
    if (got <= 0 && sf_error(m_file) != SF_ERR_NO_ERROR) {
        return -1;
    }
    return got;
}

bool SndfileStream::seek(std::int64_t frame) noexcept {
    return sf_seek(m_file, frame, SEEK_SET) == frame;
}

} // namespace pelgra::audio
