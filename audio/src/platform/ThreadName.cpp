#include "platform/ThreadName.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__linux__)
#include <pthread.h>
#endif

namespace pelgra::audio {

#if defined(_WIN32)

void nameThisThread(const char* name) noexcept {
    // SetThreadDescription came with Windows 10 1607, and older MinGW headers lack it:
    // looked up in kernel32 at run time.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    const auto setDescription = reinterpret_cast<SetDescription>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")));
    if (setDescription == nullptr) {
        return;
    }
    wchar_t wide[16] = {};
    for (int i = 0; i < 15 && name[i] != '\0'; ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(name[i]));
    }
    setDescription(GetCurrentThread(), wide);
}

#elif defined(__linux__)

void nameThisThread(const char* name) noexcept {
    pthread_setname_np(pthread_self(), name);
}

#else

void nameThisThread(const char* /*name*/) noexcept {}

#endif

} // namespace pelgra::audio
