#include "output/QuietLogs.h"

#include <SDL.h>

#if defined(__linux__)
#include <dlfcn.h>
#endif

namespace pelgra::audio {

namespace {

void discardSdlMessage(void* /*userdata*/, int /*category*/, SDL_LogPriority /*priority*/,
                       const char* /*message*/) {}

#if defined(__linux__)
// ALSA's snd_lib_error_handler_t and snd_lib_error_set_handler, reached through the
// libasound that SDL loads, so the library needs no ALSA headers or link of its own.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

void discardAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                        const char* /*format*/, ...) {}

void setAlsaHandler(void* alsa, AlsaErrorHandler handler) {
    if (void* setHandler = dlsym(alsa, "snd_lib_error_set_handler")) {
        reinterpret_cast<AlsaSetHandler>(setHandler)(handler);
    }
}
#endif

} // namespace

QuietDeviceLogs::QuietDeviceLogs() {
    SDL_LogSetOutputFunction(discardSdlMessage, nullptr);
#if defined(__linux__)
    m_alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (m_alsa != nullptr) {
        setAlsaHandler(m_alsa, discardAlsaMessage);
    }
#endif
}

QuietDeviceLogs::~QuietDeviceLogs() {
#if defined(__linux__)
    if (m_alsa != nullptr) {
        setAlsaHandler(m_alsa, nullptr);
        dlclose(m_alsa);
    }
#endif
}

} // namespace pelgra::audio
