#include "decode/SndfileStream.h"

#include "decode/FlacComments.h"
#include "decode/LoopTags.h"
#include "failure/FailureReason.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelgra::audio {
namespace {

// The sizes libsndfile checks against the file's length, which its log notes as
// "<size> : <claimed> (should be <actual>)": a container's (WAV's RIFF, AIFF's and 8SVX's
// FORM, W64's riff, RF64's Riff size) and the sound data's (WAV's data, AIFF's SSND, AU's
// Data Size, 8SVX's BODY). Other lines of that form (a wrong byte rate, say) are no
// sizes. CAF refuses such a file itself; FLAC fails where its frames stop.
constexpr std::array<std::string_view, 8> kSizes = {"RIFF", "FORM", "riff",      "Riff size",
                                                    "data", "SSND", "Data Size", "BODY"};

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos
               ? std::string_view()
               : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// libsndfile quietly shortens a file whose header claims more than the file holds, and
// plays what there is: such a file was cut short.
bool claimsMoreThanItHolds(SNDFILE* file) {
    std::array<char, 8192> log{};
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    log.back() = '\0';
    constexpr std::string_view kShouldBe = "(should be ";
    for (std::string_view rest(log.data()); !rest.empty();) {
        const std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(line.size() + 1, rest.size()));
        const std::size_t colon = line.find(" : ");
        const std::size_t shouldBe = line.find(kShouldBe);
        if (colon == std::string_view::npos || shouldBe == std::string_view::npos ||
            std::find(kSizes.begin(), kSizes.end(), trimmed(line.substr(0, colon))) ==
                kSizes.end()) {
            continue;
        }
        // The log is one string: each number ends within it.
        const long long claimed = std::strtoll(line.data() + colon + 3, nullptr, 0);
        const long long actual =
            std::strtoll(line.data() + shouldBe + kShouldBe.size(), nullptr, 0);
        if (claimed > actual) {
            return true;
        }
    }
    return false;
}

// libsndfile reads the file through the library's own handle of it.
sf_count_t lengthOf(void* input) {
    return static_cast<ByteSource*>(input)->size();
}

sf_count_t seekIn(sf_count_t offset, int whence, void* input) {
    auto* file = static_cast<ByteSource*>(input);
    return file->seek(offset, whence) ? file->tell() : -1;
}

sf_count_t readFrom(void* into, sf_count_t bytes, void* input) {
    return static_cast<sf_count_t>(
        static_cast<ByteSource*>(input)->read(into, static_cast<std::size_t>(bytes)));
}

sf_count_t tellIn(void* input) {
    return static_cast<ByteSource*>(input)->tell();
}

// libsndfile writes why a file failed to open into one global buffer, with no lock of
// its own: opens go one at a time, and a failure's reason is read before the next.
// Decoding, the long part, runs on in parallel.
SNDFILE* openOneAtATime(ByteSource& input, SF_INFO& info) {
    SF_VIRTUAL_IO reading = {lengthOf, seekIn, readFrom, nullptr, tellIn};
    static std::mutex opening;
    std::lock_guard lock(opening);
    SNDFILE* file = sf_open_virtual(&reading, SFM_READ, &info, &input);
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

// Integer samples, which libsndfile scales to -1..1 as it reads them as floats (it is
// left to normalise): plain PCM, whatever the container (FLAC's included), and the
// companded telephone codes. Other codings may overshoot or, damaged, give anything.
AudioStream::Values valuesOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return AudioStream::Values::WithinFullScale;
    default:
        return AudioStream::Values::Any;
    }
}

// The first loop of a WAV or AIFF file's instrument data (WAV's smpl chunk), which
// libsndfile reports with its end already past the loop's last frame; or the loop a FLAC
// file's comments tag. Checked as tagged loops are.
std::optional<LoopPoints> loopOf(SNDFILE* file, const std::vector<std::string>& comments,
                                 std::int64_t frames) {
    if (!comments.empty()) {
        std::vector<const char*> pointers;
        pointers.reserve(comments.size());
        for (const std::string& comment : comments) {
            pointers.push_back(comment.c_str());
        }
        return loopFromComments(pointers.data(), static_cast<int>(pointers.size()), frames);
    }
    SF_INSTRUMENT instrument{};
    if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) != SF_TRUE ||
        instrument.loop_count < 1) {
        return std::nullopt;
    }
    const std::int64_t start = instrument.loops[0].start;
    const std::int64_t end = instrument.loops[0].end;
    if (start < 0 || start >= end || end > frames) {
        return std::nullopt;
    }
    return LoopPoints{start, end};
}

} // namespace

std::unique_ptr<AudioStream> SndfileStream::open(std::unique_ptr<ByteSource> input) {
    if (!input->seek(0, SEEK_SET)) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    const std::vector<std::string> comments = flacComments(*input);
    if (!input->seek(0, SEEK_SET)) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    SF_INFO sfInfo{};
    SNDFILE* file = openOneAtATime(*input, sfInfo);
    if (file == nullptr) {
        return nullptr;
    }
    StreamInfo info;
    info.codec = codecName(sfInfo.format);
    info.channels = sfInfo.channels;
    info.sampleRate = sfInfo.samplerate;
    info.frames = sfInfo.frames;
    info.cutShort = claimsMoreThanItHolds(file);
    try {
        info.loop = loopOf(file, comments, info.frames);
        if (const char* title = sf_get_string(file, SF_STR_TITLE)) {
            info.title = title;
        }
        return std::unique_ptr<AudioStream>(
            new SndfileStream(std::move(input), file, info, valuesOf(sfInfo.format)));
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
