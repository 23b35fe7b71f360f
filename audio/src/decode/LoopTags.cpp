#include "decode/LoopTags.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace pelgra::audio {
namespace {

// Comment keys are case-insensitive.
bool hasKey(const char* comment, const char* key) {
    for (; *key != '\0'; ++comment, ++key) {
        if (std::toupper(static_cast<unsigned char>(*comment)) != *key) {
            return false;
        }
    }
    return *comment == '=';
}

// The value of `key` (upper case) among the comments, when it is a whole non-negative number.
std::optional<std::int64_t> numberTag(char** comments, int count, const char* key) {
    for (int i = 0; i < count; ++i) {
        const char* comment = comments[i];
        if (comment == nullptr || !hasKey(comment, key)) {
            continue;
        }
        const char* digits = comment + std::strlen(key) + 1;
        char* end = nullptr;
        const long long value = std::strtoll(digits, &end, 10);
        if (end == digits || *end != '\0' || value < 0) {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<LoopPoints> loopFromComments(char** comments, int count, std::int64_t frames) {
    if (comments == nullptr || count <= 0) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> start = numberTag(comments, count, "LOOPSTART");
    if (!start) {
        return std::nullopt;
    }
    std::optional<std::int64_t> end = numberTag(comments, count, "LOOPEND");
    if (const std::optional<std::int64_t> length = numberTag(comments, count, "LOOPLENGTH")) {
        end = *length <= frames ? std::optional(*start + *length) : std::nullopt;
    }
    if (!end) {
        end = frames;
    }
    if (*start >= *end || *end > frames) {
        return std::nullopt;
    }
    return LoopPoints{*start, *end};
}

} // namespace pelgra::audio
