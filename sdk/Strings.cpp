// Construction and assignment of the utility library's texts.
#include "PelgraSDK/Strings.h"

#include <cstring>
#include <new>

namespace {

std::int32_t bufferSizeFor(const char* text) {
    return text == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(text) + 1);
}

// A heap copy of the size bytes at text, or no buffer for size 0. The engine library's
// ~Strings releases it with the single-object operator delete, so it comes from the
// matching operator new, not from new[].
char* copyOf(const char* text, std::int32_t size) {
    if (size == 0) {
        return nullptr;
    }
    auto* buffer = static_cast<char*>(::operator new(static_cast<std::size_t>(size)));
    std::memcpy(buffer, text, static_cast<std::size_t>(size));
    return buffer;
}

} // namespace

Strings::Strings(const char* text) : m_text(nullptr), m_bufferSize(bufferSizeFor(text)) {
    m_text = copyOf(text, m_bufferSize);
}

Strings::Strings(const Strings& other)
    : m_text(copyOf(other.m_text, other.m_bufferSize)), m_bufferSize(other.m_bufferSize) {}

Strings Strings::operator=(Strings& other) {
    // Copying before releasing keeps self-assignment safe.
    char* copy = copyOf(other.m_text, other.m_bufferSize);
    ::operator delete(m_text);
    m_text = copy;
    m_bufferSize = other.m_bufferSize;
    return *this;
}

CStringsList::CStringsList(const char* text)
    : m_id(0), m_flags(0), m_text(text), m_previous(0), m_next(0) {}
