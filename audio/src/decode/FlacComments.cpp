#include "decode/FlacComments.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace pelgra::audio {
namespace {

constexpr int kCommentBlock = 4;
// Loop and title tags are short: a comment block larger than this is not read.
constexpr std::uint32_t kMaxBlockBytes = 1U << 20;

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8U |
           static_cast<std::uint32_t>(bytes[2]) << 16U |
           static_cast<std::uint32_t>(bytes[3]) << 24U;
}

// The comments packed in a comment block's body: a vendor string, then a count of
// comments, each a little-endian length and its bytes. Empty when they overrun the body.
std::vector<std::string> unpackComments(const std::vector<unsigned char>& body) {
    std::vector<std::string> comments;
    std::size_t at = 0;
    const auto field = [&](std::uint32_t& value) {
        if (body.size() - at < 4) {
            return false;
        }
        value = littleEndian32(body.data() + at);
        at += 4;
        return true;
    };
    std::uint32_t vendor = 0;
    std::uint32_t count = 0;
    if (!field(vendor) || body.size() - at < vendor) {
        return {};
    }
    at += vendor;
    if (!field(count)) {
        return {};
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!field(length) || body.size() - at < length) {
            return {};
        }
        comments.emplace_back(reinterpret_cast<const char*>(body.data() + at), length);
        at += length;
    }
    return comments;
}

} // namespace

std::vector<std::string> flacComments(ByteSource& input) {
    std::array<unsigned char, 4> header{};
    if (!input.readAt(0, header.data(), header.size()) ||
        std::memcmp(header.data(), "fLaC", header.size()) != 0) {
        return {};
    }
    // Each metadata block: a byte with the last-block flag and the type, then a 24-bit
    // big-endian length of the body that follows.
    for (std::int64_t at = 4;;) {
        if (!input.readAt(at, header.data(), header.size())) {
            return {};
        }
        const std::uint32_t length = static_cast<std::uint32_t>(header[1]) << 16U |
                                     static_cast<std::uint32_t>(header[2]) << 8U | header[3];
        if ((header[0] & 0x7FU) == kCommentBlock) {
            if (length > kMaxBlockBytes) {
                return {};
            }
            std::vector<unsigned char> body(length);
            return input.readAt(at + 4, body.data(), body.size()) ? unpackComments(body)
                                                                  : std::vector<std::string>();
        }
        if ((header[0] & 0x80U) != 0) {
            return {};
        }
        at += 4 + static_cast<std::int64_t>(length);
    }
}

} // namespace pelgra::audio
