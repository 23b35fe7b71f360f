#include "decode/OggProbe.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace pelgra::audio {
namespace {

constexpr std::size_t kPageHeaderBytes = 27;
constexpr std::size_t kSegmentCountAt = 26;
constexpr std::size_t kHeaderTypeAt = 5;
constexpr unsigned char kEndOfStream = 0x04;
// A page holds at most 255 segments of 255 bytes after its header and segment table.
constexpr std::size_t kMaxPageBytes = kPageHeaderBytes + 255 + 255 * 255;

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool isCapture(const unsigned char* bytes) {
    return std::memcmp(bytes, "OggS", 4) == 0;
}

// The whole length of the page whose header starts at `page`, `available` bytes on.
std::size_t pageLength(const unsigned char* page, std::size_t available) {
    if (available < kPageHeaderBytes) {
        return 0;
    }
    const std::size_t segments = page[kSegmentCountAt];
    if (available < kPageHeaderBytes + segments) {
        return 0;
    }
    std::size_t length = kPageHeaderBytes + segments;
    for (std::size_t i = 0; i < segments; ++i) {
        length += page[kPageHeaderBytes + i];
    }
    return length;
}

} // namespace

OggCodec probeOgg(const char* path) {
    File file(std::fopen(path, "rb"));
    if (file == nullptr) {
        return OggCodec::NotOgg;
    }
    std::array<unsigned char, kPageHeaderBytes + 255 + 8> head{};
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    if (got < 4 || !isCapture(head.data())) {
        return OggCodec::NotOgg;
    }
    if (got < kPageHeaderBytes) {
        return OggCodec::Other;
    }
    // The first packet starts after the first page's segment table.
    const std::size_t packet = kPageHeaderBytes + head[kSegmentCountAt];
    if (got >= packet + 7 && std::memcmp(head.data() + packet, "\x01vorbis", 7) == 0) {
        return OggCodec::Vorbis;
    }
    if (got >= packet + 8 && std::memcmp(head.data() + packet, "OpusHead", 8) == 0) {
        return OggCodec::Opus;
    }
    return OggCodec::Other;
}

bool oggEndsWhole(const char* path) {
    File file(std::fopen(path, "rb"));
    if (file == nullptr || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return false;
    }
    const long size = std::ftell(file.get());
    if (size <= 0) {
        return false;
    }
    const auto tailBytes = std::min<std::size_t>(static_cast<std::size_t>(size), kMaxPageBytes);
    std::vector<unsigned char> tail(tailBytes);
    if (std::fseek(file.get(), size - static_cast<long>(tailBytes), SEEK_SET) != 0 ||
        std::fread(tail.data(), 1, tailBytes, file.get()) != tailBytes) {
        return false;
    }
    // The last page is the one that starts with a capture pattern and ends exactly at
    // the end of the file.
    for (std::size_t at = tailBytes - std::min(tailBytes, kPageHeaderBytes) + 1; at-- > 0;) {
        if (isCapture(tail.data() + at) &&
            pageLength(tail.data() + at, tailBytes - at) == tailBytes - at) {
            return (tail[at + kHeaderTypeAt] & kEndOfStream) != 0;
        }
    }
    return false;
}

} // namespace pelgra::audio
