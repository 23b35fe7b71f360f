#include "decode/OggProbe.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pelgra::audio {
namespace {

constexpr std::size_t kPageHeaderBytes = 27;
constexpr std::size_t kSegmentCountAt = 26;
constexpr std::size_t kHeaderTypeAt = 5;
constexpr unsigned char kEndOfStream = 0x04;
// A page holds at most 255 segments of 255 bytes after its header and segment table.
constexpr std::size_t kMaxPageBytes = kPageHeaderBytes + 255 + 255 * 255;

// The tags that taggers append after the last page.
constexpr std::size_t kId3v1Bytes = 128;
constexpr std::size_t kApeFooterBytes = 32;
constexpr std::size_t kApeSizeAt = 12; // in the footer: the tag's size, footer included
constexpr std::size_t kApeFlagsAt = 20;
constexpr std::uint32_t kApeHasHeader = 0x80000000u; // one more footer-sized block

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

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Where the tags that taggers append begin in the file: an ID3v1 tag (128
// bytes from "TAG") at the very end, an APEv2 tag ending there or just before the ID3v1
// tag. The file's size when there are none; anything else after the pages is no tag.
std::int64_t startOfTags(ByteSource& file) {
    std::int64_t end = file.size();
    std::array<unsigned char, 3> id3{};
    if (end >= static_cast<std::int64_t>(kId3v1Bytes) &&
        file.readAt(end - static_cast<std::int64_t>(kId3v1Bytes), id3.data(), id3.size()) &&
        std::memcmp(id3.data(), "TAG", 3) == 0) {
        end -= static_cast<std::int64_t>(kId3v1Bytes);
    }
    std::array<unsigned char, kApeFooterBytes> ape{};
    if (end >= static_cast<std::int64_t>(kApeFooterBytes) &&
        file.readAt(end - static_cast<std::int64_t>(kApeFooterBytes), ape.data(), ape.size()) &&
        std::memcmp(ape.data(), "APETAGEX", 8) == 0) {
        const bool hasHeader = (littleEndian32(ape.data() + kApeFlagsAt) & kApeHasHeader) != 0;
        const std::int64_t tagBytes = std::int64_t{littleEndian32(ape.data() + kApeSizeAt)} +
                                      (hasHeader ? static_cast<std::int64_t>(kApeFooterBytes) : 0);
        if (tagBytes >= static_cast<std::int64_t>(kApeFooterBytes) && tagBytes <= end) {
            end -= tagBytes;
        }
    }
    return end;
}

// True when a page that closes its stream ends exactly at `end`.
bool lastPageEndsAt(ByteSource& file, std::int64_t end) {
    if (end <= 0) {
        return false;
    }
    const auto tailBytes =
        static_cast<std::size_t>(std::min(end, static_cast<std::int64_t>(kMaxPageBytes)));
    std::vector<unsigned char> tail(tailBytes);
    if (!file.readAt(end - static_cast<std::int64_t>(tailBytes), tail.data(), tailBytes)) {
        return false;
    }
    for (std::size_t at = tailBytes - std::min(tailBytes, kPageHeaderBytes) + 1; at-- > 0;) {
        if (isCapture(tail.data() + at) &&
            pageLength(tail.data() + at, tailBytes - at) == tailBytes - at) {
            return (tail[at + kHeaderTypeAt] & kEndOfStream) != 0;
        }
    }
    return false;
}

} // namespace

OggCodec probeOgg(ByteSource& file) {
    std::array<unsigned char, kPageHeaderBytes + 255 + 8> head{};
    const std::size_t got = file.seek(0, SEEK_SET) ? file.read(head.data(), head.size()) : 0;
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

bool oggEndsWhole(ByteSource& file) {
    // "TAG" may also begin the last 128 bytes of a page by chance.
    const std::int64_t tagsAt = startOfTags(file);
    return lastPageEndsAt(file, file.size()) ||
           (tagsAt != file.size() && lastPageEndsAt(file, tagsAt));
}

} // namespace pelgra::audio
