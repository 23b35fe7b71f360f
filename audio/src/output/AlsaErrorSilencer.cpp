#include "output/AlsaErrorSilencer.h"

#if defined(__linux__)
#include <dlfcn.h>
#endif

namespace pelgra::audio {

#if defined(__linux__)
namespace {

// ALSA's snd_lib_error_handler_t, its snd_lib_error_set_handler and the variable
// snd_lib_error holding the handler in use, reached through the libasound that SDL
// loads, so the library needs no ALSA headers or link of its own.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

void discardAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                        const char* /*format*/, ...) {}

AlsaErrorHandler currentAlsaHandler(void* alsa) {
    auto* current = static_cast<AlsaErrorHandler*>(dlsym(alsa, "snd_lib_error"));
    return current != nullptr ? *current : nullptr;
}

void setAlsaHandler(void* alsa, AlsaErrorHandler handler) {
    if (void* setHandler = dlsym(alsa, "snd_lib_error_set_handler")) {
        reinterpret_cast<AlsaSetHandler>(setHandler)(handler);
    }
}

} // namespace

AlsaErrorSilencer::AlsaErrorSilencer() {
    m_alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (m_alsa != nullptr) {
        m_previousAlsaHandler = reinterpret_cast<void*>(currentAlsaHandler(m_alsa));
        setAlsaHandler(m_alsa, discardAlsaMessage);
    }
}

AlsaErrorSilencer::~AlsaErrorSilencer() {
    if (m_alsa != nullptr) {
        if (currentAlsaHandler(m_alsa) == discardAlsaMessage) {
            setAlsaHandler(m_alsa, reinterpret_cast<AlsaErrorHandler>(m_previousAlsaHandler));
        }
        dlclose(m_alsa);
    }
}

#else

AlsaErrorSilencer::AlsaErrorSilencer() = default;
AlsaErrorSilencer::~AlsaErrorSilencer() = default;

#endif

} // namespace pelgra::audio
