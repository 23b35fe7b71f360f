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

constexpr std::int64_t kMalformed = -1;

// The first comment whose key is `key` (upper case); null when none has it.
const char* findComment(const char* const* comments, int count, const char* key) {
    for (int i = 0; i < count; ++i) {
        if (comments[i] != nullptr && hasKey(comments[i], key)) {
            return comments[i];
        }
    }
    return nullptr;
}

// The value of `key` (upper case) among the comments: nothing when it is missing,
// kMalformed when it is not a whole non-negative number.
std::optional<std::int64_t> numberTag(const char* const* comments, int count, const char* key) {
    const char* comment = findComment(comments, count, key);
    if (comment == nullptr) {
        return std::nullopt;
    }
    const char* digits = comment + std::strlen(key) + 1;
    char* end = nullptr;
    const long long value = std::strtoll(digits, &end, 10);
    return end == digits || *end != '\0' || value < 0 ? kMalformed : value;
}

} // namespace

std::optional<LoopPoints> loopFromComments(const char* const* comments, int count,
                                           std::int64_t frames) {
    if (comments == nullptr || count <= 0) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> start = numberTag(comments, count, "LOOPSTART");
    const std::optional<std::int64_t> length = numberTag(comments, count, "LOOPLENGTH");
    std::optional<std::int64_t> end = numberTag(comments, count, "LOOPEND");
    const auto malformed = [](const std::optional<std::int64_t>& tag) {
        return tag && *tag == kMalformed;
    };
    if (!start || malformed(start) || malformed(length) || malformed(end) ||
        (length && *length > frames)) {
        return std::nullopt;
    }
    if (length) {
        end = *start + *length;
    } else if (!end) {
        end = frames;
    }
    if (*start >= *end || *end > frames) {
        return std::nullopt;
    }
    return LoopPoints{*start, *end};
}

std::string titleFromComments(char** comments, int count) {
    if (comments == nullptr || count <= 0) {
        return {};
    }
    const char* comment = findComment(comments, count, "TITLE");
    return comment != nullptr ? std::string(comment + std::strlen("TITLE=")) : std::string();
}

} // namespace pelgra::audio
