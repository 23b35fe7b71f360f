#include "RecordingFacts.h"

#include <opusfile.h>
#include <sndfile.h>
#include <vorbis/vorbisfile.h>

#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace pelgra::play {

namespace {

constexpr int kOpusRate = 48000;
// An Ogg page header: capture pattern to segment count, then one length a segment.
constexpr std::size_t kPageHeaderBytes = 27;
constexpr std::size_t kSegmentCountAt = 26;

enum class OggContent { NotOgg, Vorbis, Opus, Other };

// What the file's first Ogg packet opens, read from its first page: the audio library
// picks its decoder by this, and refuses Ogg streams of other codecs.
OggContent oggContent(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, kPageHeaderBytes + 255 + 8> head{};
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got < 4 || std::memcmp(head.data(), "OggS", 4) != 0) {
        return OggContent::NotOgg;
    }
    if (got < kPageHeaderBytes) {
        return OggContent::Other;
    }
    const std::size_t packet = kPageHeaderBytes + static_cast<unsigned char>(head[kSegmentCountAt]);
    const auto opensWith = [&](const char* magic, std::size_t length) {
        return got >= packet + length && std::memcmp(head.data() + packet, magic, length) == 0;
    };
    if (opensWith("\x01vorbis", 7)) {
        return OggContent::Vorbis;
    }
    return opensWith("OpusHead", 8) ? OggContent::Opus : OggContent::Other;
}

// The value of the first comment "KEY=value" whose key is `key` (upper case); comment
// keys ignore case. Null when no comment has it.
const char* commentValue(char** comments, int count, const char* key) {
    const std::size_t keyLength = std::strlen(key);
    for (int i = 0; i < count; ++i) {
        const char* comment = comments[i];
        if (comment == nullptr) {
            continue;
        }
        std::size_t at = 0;
        while (at < keyLength && std::toupper(static_cast<unsigned char>(comment[at])) == key[at]) {
            ++at;
        }
        if (at == keyLength && comment[at] == '=') {
            return comment + at + 1;
        }
    }
    return nullptr;
}

// A loop tag's frame number into `frames`: left unset when the tag is missing. False
// when it is there but not a whole non-negative number, which spoils the whole loop.
bool readLoopTag(char** comments, int count, const char* key, std::optional<long long>& frames) {
    const char* value = commentValue(comments, count, key);
    if (value == nullptr) {
        return true;
    }
    char* end = nullptr;
    const long long number = std::strtoll(value, &end, 10);
    if (end == value || *end != '\0' || number < 0) {
        return false;
    }
    frames = number;
    return true;
}

std::optional<std::pair<long long, long long>> taggedLoop(char** comments, int count,
                                                          long long frames) {
    if (comments == nullptr || count <= 0) {
        return std::nullopt;
    }
    std::optional<long long> start;
    std::optional<long long> length;
    std::optional<long long> end;
    if (!readLoopTag(comments, count, "LOOPSTART", start) ||
        !readLoopTag(comments, count, "LOOPLENGTH", length) ||
        !readLoopTag(comments, count, "LOOPEND", end) || !start || *start > frames) {
        return std::nullopt;
    }
    if (length) { // LOOPLENGTH wins over LOOPEND
        if (*length > frames) {
            return std::nullopt;
        }
        end = *start + *length;
    }
    const long long last = end.value_or(frames);
    if (*start >= last || last > frames) {
        return std::nullopt;
    }
    return std::make_pair(*start, last);
}

std::optional<RecordingFacts> readVorbis(const std::string& path) {
    OggVorbis_File file{};
    // On failure libvorbisfile closes the file and frees all it set up.
    if (ov_fopen(path.c_str(), &file) != 0) {
        return std::nullopt;
    }
    const vorbis_info* first = ov_info(&file, 0);
    if (first == nullptr || first->rate > INT_MAX) {
        ov_clear(&file);
        return std::nullopt;
    }
    RecordingFacts facts;
    facts.codec = "Ogg Vorbis";
    facts.channels = first->channels;
    facts.rate = static_cast<int>(first->rate);
    facts.frames = ov_pcm_total(&file, -1);
    if (const vorbis_comment* comments = ov_comment(&file, 0)) {
        facts.loop = taggedLoop(comments->user_comments, comments->comments, facts.frames);
    }
    ov_clear(&file);
    return facts;
}

std::optional<RecordingFacts> readOpus(const std::string& path) {
    int error = 0;
    OggOpusFile* file = op_open_file(path.c_str(), &error);
    if (file == nullptr) {
        return std::nullopt;
    }
    RecordingFacts facts;
    facts.codec = "Opus";
    facts.channels = 2;
    facts.rate = kOpusRate;
    facts.frames = op_pcm_total(file, -1);
    if (const OpusTags* tags = op_tags(file, 0)) {
        facts.loop = taggedLoop(tags->user_comments, tags->comments, facts.frames);
    }
    op_free(file);
    return facts;
}

// The codec by libsndfile's major format, named as the audio library names it.
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
    default:
        return "PCM";
    }
}

std::optional<RecordingFacts> readWithSndfile(const std::string& path) {
    SF_INFO header{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &header);
    if (file == nullptr) {
        return std::nullopt;
    }
    sf_close(file);
    RecordingFacts facts;
    facts.codec = codecName(header.format);
    facts.channels = header.channels;
    facts.rate = header.samplerate;
    facts.frames = header.frames;
    return facts;
}

} // namespace

std::optional<RecordingFacts> readRecordingFacts(const std::string& path) {
    std::optional<RecordingFacts> facts;
    switch (oggContent(path)) {
    case OggContent::Vorbis:
        facts = readVorbis(path);
        break;
    case OggContent::Opus:
        facts = readOpus(path);
        break;
    case OggContent::NotOgg:
        facts = readWithSndfile(path);
        break;
    case OggContent::Other:
        break;
    }
    if (!facts || facts->channels < 1 || facts->channels > 2 || facts->rate <= 0 ||
        facts->frames <= 0) {
        return std::nullopt;
    }
    return facts;
}

} // namespace pelgra::play
