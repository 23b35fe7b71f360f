// Where the bytes of a sound or a song come from: a file, a copy of memory, or the
// application's own read/seek callbacks. The decoders read only through this, so each
// kind of source plays every format. A source is used by one thread at a time and never
// by the audio thread.
#ifndef PELGRA_AUDIO_BYTE_SOURCE_H
#define PELGRA_AUDIO_BYTE_SOURCE_H

#include "failure/Failure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace pelgra::audio {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Bytes in all, as the source was when opened; -1 when it cannot tell.
    virtual std::int64_t size() const noexcept = 0;
    // Reads up to `bytes` bytes from where the source stands; returns how many came
    // (fewer only at the end or on an error).
    virtual std::size_t read(void* into, std::size_t bytes) noexcept = 0;
    // Moves to `offset` from SEEK_SET, SEEK_CUR or SEEK_END; false when that failed.
    virtual bool seek(std::int64_t offset, int whence) noexcept = 0;
    // Where the source stands, -1 on failure.
    virtual std::int64_t tell() noexcept = 0;
    // An application's callback reported an error since the source was opened: what
    // was read may be short of the source's bytes, though it ended without complaint.
    virtual bool failed() const noexcept { return false; }

    // Reads exactly `bytes` bytes from `offset`; false when fewer came.
    bool readAt(std::int64_t offset, void* into, std::size_t bytes) noexcept {
        return seek(offset, SEEK_SET) && read(into, bytes) == bytes;
    }

protected:
    ByteSource() = default;
};

// A source of known size: `source` itself when it tells its size, otherwise a copy of
// all it holds, read from its start, after which `source` is let go. Null (the reason
// noted) when it holds more than `maxBytes` (FileTooLarge) or cannot be read
// (FileDamaged). A source that cannot tell its size is so still bounded.
std::unique_ptr<ByteSource> withKnownSize(std::unique_ptr<ByteSource> source,
                                          std::uint64_t maxBytes);

} // namespace pelgra::audio

#endif
