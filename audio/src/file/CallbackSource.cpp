#include "file/CallbackSource.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace pelgra::audio {

std::unique_ptr<CallbackSource> CallbackSource::adopt(const ByteCallbacks& callbacks, void* user) {
    std::unique_ptr<CallbackSource> source(new (std::nothrow) CallbackSource(callbacks, user));
    if (source == nullptr) {
        if (callbacks.close != nullptr) {
            callbacks.close(user);
        }
        throw std::bad_alloc();
    }
    if (source->complete() && callbacks.size != nullptr) {
        // Asked once: decoders ask often, and the answer must not change under them.
        source->m_size = std::max<long long>(callbacks.size(user), -1);
    }
    return source;
}

CallbackSource::~CallbackSource() {
    if (m_callbacks.close != nullptr) {
        m_callbacks.close(m_user);
    }
}

bool CallbackSource::complete() const noexcept {
    return m_callbacks.read != nullptr && m_callbacks.seek != nullptr &&
           m_callbacks.tell != nullptr;
}

std::size_t CallbackSource::read(void* into, std::size_t bytes) noexcept {
    // Asked for at most what a long long holds; an answer beyond what was asked, or
    // below -1, is as much an error as -1.
    const auto asked = static_cast<long long>(std::min<std::size_t>(bytes, INT64_MAX));
    const long long got = asked == 0 ? 0 : m_callbacks.read(m_user, into, asked);
    if (got < 0 || got > asked) {
        m_failed = true;
        return 0;
    }
    return static_cast<std::size_t>(got);
}

bool CallbackSource::seek(std::int64_t offset, int whence) noexcept {
    return m_callbacks.seek(m_user, offset, whence) == 0;
}

std::int64_t CallbackSource::tell() noexcept {
    return std::max<long long>(m_callbacks.tell(m_user), -1);
}

} // namespace pelgra::audio
