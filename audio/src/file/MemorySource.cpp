#include "file/MemorySource.h"

#include "failure/FailureReason.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pelgra::audio {

std::unique_ptr<ByteSource> MemorySource::copyOf(const void* data, long long bytes) {
    if (data == nullptr || bytes < 1) {
        noteFailure(Failure::InvalidArgument);
        return nullptr;
    }
    const auto* first = static_cast<const std::uint8_t*>(data);
    return std::make_unique<MemorySource>(
        std::vector<std::uint8_t>(first, first + static_cast<std::size_t>(bytes)));
}

std::size_t MemorySource::read(void* into, std::size_t bytes) noexcept {
    const std::size_t count = std::min(bytes, m_bytes.size() - std::min(m_at, m_bytes.size()));
    if (count > 0) {
        std::memcpy(into, m_bytes.data() + m_at, count);
    }
    m_at += count;
    return count;
}

bool MemorySource::seek(std::int64_t offset, int whence) noexcept {
    std::int64_t from = 0;
    if (whence == SEEK_CUR) {
        from = tell();
    } else if (whence == SEEK_END) {
        from = size();
    } else if (whence != SEEK_SET) {
        return false;
    }
    // Past the end is allowed, as with a file: reading there gives nothing.
    if (offset < -from || offset > INT64_MAX - from) {
        return false;
    }
    m_at = static_cast<std::size_t>(from + offset);
    return true;
}

std::unique_ptr<ByteSource> withKnownSize(std::unique_ptr<ByteSource> source,
                                          std::uint64_t maxBytes) {
    if (source->size() >= 0) {
        return source;
    }
    if (!source->seek(0, SEEK_SET)) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
    std::vector<std::uint8_t> bytes;
    for (;;) {
        const std::size_t had = bytes.size();
        if (had > maxBytes) {
            noteFailure(Failure::FileTooLarge);
            return nullptr;
        }
        bytes.resize(had + kChunkBytes);
        const std::size_t got = source->read(bytes.data() + had, kChunkBytes);
        bytes.resize(had + got);
        if (got == 0) {
            break;
        }
    }
    if (source->failed()) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    if (bytes.size() > maxBytes) {
        noteFailure(Failure::FileTooLarge);
        return nullptr;
    }
    return std::make_unique<MemorySource>(std::move(bytes));
}

} // namespace pelgra::audio
