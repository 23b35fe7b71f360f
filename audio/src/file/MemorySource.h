// Bytes held in memory as a source: a copy of the application's, made at once, so that
// the application may free its own as soon as the load returns.
#ifndef PELGRA_AUDIO_MEMORY_SOURCE_H
#define PELGRA_AUDIO_MEMORY_SOURCE_H

#include "file/ByteSource.h"

#include <vector>

namespace pelgra::audio {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) noexcept : m_bytes(std::move(bytes)) {}
    // A copy of `bytes` bytes at `data`. Null, with InvalidArgument noted, for null data
    // or a count below 1.
    static std::unique_ptr<ByteSource> copyOf(const void* data, long long bytes);

    std::int64_t size() const noexcept override {
        return static_cast<std::int64_t>(m_bytes.size());
    }
    std::size_t read(void* into, std::size_t bytes) noexcept override;
    bool seek(std::int64_t offset, int whence) noexcept override;
    std::int64_t tell() noexcept override { return static_cast<std::int64_t>(m_at); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

} // namespace pelgra::audio

#endif
