#include "sample/Decoder.h"

#include "failure/FailureReason.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

namespace pelgra::audio {

namespace {

constexpr int kMinFileRate = 1000;
constexpr int kMaxFileRate = 768000;
constexpr sf_count_t kReadFrames = 4096;
// Float files may hold anything: 36 dB above full scale is as loud as a value may be.
constexpr float kMaxAmplitude = 64.0f;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile quietly shortens a WAV or AIFF whose data chunk claims more than the file
// holds, and notes it in its log as "data : <claimed> (should be <actual>)". Such a file
// was cut short or has a damaged header: refuse it rather than play a part.
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

// A damaged float file can hold NaN, infinities or absurd magnitudes. One such value
// would poison the whole mix, spread by the resampler's filter and the voices' sum:
// silence the first and bound the rest.
void makeMixable(float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        values[i] =
            std::isfinite(values[i]) ? std::clamp(values[i], -kMaxAmplitude, kMaxAmplitude) : 0.0f;
    }
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
                        ? FMOD_ERR_FILE_FORMAT
                        : FMOD_ERR_FILE_BAD);
    }
    return file;
}

} // namespace

std::optional<DecodedAudio> decodeFile(const char* path, std::int64_t maxFloats) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        noteFailure(FMOD_ERR_FILE_NOTFOUND);
        return std::nullopt;
    }
    if (std::filesystem::file_size(path, error) == 0 || error) {
        noteFailure(FMOD_ERR_FILE_BAD);
        return std::nullopt;
    }
    SF_INFO info{};
    SndfilePtr file(openOneAtATime(path, info));
    if (!file) {
        return std::nullopt;
    }
    if (info.channels > 2) {
        noteFailure(FMOD_ERR_TOO_MANY_CHANNELS);
        return std::nullopt;
    }
    // SF_COUNT_MAX frames: no length, as in an Ogg file cut short before its last page.
    if (info.channels < 1 || info.samplerate < kMinFileRate || info.samplerate > kMaxFileRate ||
        info.frames <= 0 || info.frames == SF_COUNT_MAX || dataChunkCutShort(file.get())) {
        noteFailure(FMOD_ERR_FILE_BAD);
        return std::nullopt;
    }
    if (info.frames > maxFloats / info.channels) {
        noteFailure(FMOD_ERR_FILE_TOO_LARGE);
        return std::nullopt;
    }

    DecodedAudio decoded;
    decoded.channels = info.channels;
    decoded.sampleRate = info.samplerate;
    // The header's count is only a hint: grow as frames actually arrive.
    decoded.data.reserve(static_cast<std::size_t>(std::min<sf_count_t>(info.frames, 1 << 20)) *
                         static_cast<std::size_t>(info.channels));
    std::array<float, kReadFrames * 2> chunk{};
    for (;;) {
        const sf_count_t read = sf_readf_float(file.get(), chunk.data(), kReadFrames);
        if (read <= 0) {
            break;
        }
        const auto floats = static_cast<std::size_t>(read * info.channels);
        if (static_cast<std::int64_t>(decoded.data.size() + floats) > maxFloats) {
            noteFailure(FMOD_ERR_FILE_TOO_LARGE);
            return std::nullopt;
        }
        makeMixable(chunk.data(), floats);
        decoded.data.insert(decoded.data.end(), chunk.data(), chunk.data() + floats);
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR || decoded.data.empty()) {
        noteFailure(FMOD_ERR_FILE_BAD);
        return std::nullopt;
    }
    return decoded;
}

} // namespace pelgra::audio
