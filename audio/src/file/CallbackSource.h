// The application's own bytes, read through its callbacks (a pack file, an archive, an
// asset store). The callbacks are called one at a time, on whichever thread uses the
// source, and `close` exactly once, when the source is destroyed.
#ifndef PELGRA_AUDIO_CALLBACK_SOURCE_H
#define PELGRA_AUDIO_CALLBACK_SOURCE_H

#include "file/ByteSource.h"

namespace pelgra::audio {

// The callbacks, as the C interface takes them: read gives the bytes read, 0 at the end,
// -1 on an error; seek 0 when done; size -1 when unknown; close may be null.
struct ByteCallbacks {
    long long (*read)(void* user, void* buffer, long long bytes) = nullptr;
    int (*seek)(void* user, long long offset, int whence) = nullptr;
    long long (*tell)(void* user) = nullptr;
    long long (*size)(void* user) = nullptr;
    void (*close)(void* user) = nullptr;
};

class CallbackSource final : public ByteSource {
public:
    // Takes charge of the callbacks: from here on their close runs exactly once, when
    // the source returned is destroyed, or before this returns when it throws.
    static std::unique_ptr<CallbackSource> adopt(const ByteCallbacks& callbacks, void* user);
    ~CallbackSource() override;
    CallbackSource(const CallbackSource&) = delete;
    CallbackSource& operator=(const CallbackSource&) = delete;

    // read, seek and tell are there; a source without them can only be closed.
    bool complete() const noexcept;

    std::int64_t size() const noexcept override { return m_size; }
    std::size_t read(void* into, std::size_t bytes) noexcept override;
    bool seek(std::int64_t offset, int whence) noexcept override;
    std::int64_t tell() noexcept override;
    bool failed() const noexcept override { return m_failed; }

private:
    CallbackSource(const ByteCallbacks& callbacks, void* user) noexcept
        : m_callbacks(callbacks), m_user(user) {}

    ByteCallbacks m_callbacks;
    void* m_user;
    std::int64_t m_size = -1; // asked once, when the source is complete
    bool m_failed = false;
};

} // namespace pelgra::audio

#endif
