#include "platform/LibraryFolder.h"

#if defined(_WIN32)
#include <windows.h>

#include <string>
#else
#include <dlfcn.h>
#endif

namespace pelgra::audio {

#if defined(_WIN32)

std::filesystem::path libraryFolder() {
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&libraryFolder), &module) == 0) {
        return {};
    }
    // The name is cut short, without an error, when the buffer is too small for it.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(2 * name.size());
    }
}

#else

std::filesystem::path libraryFolder() {
    Dl_info info{};
    std::error_code error;
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) != 0 && info.dli_fname != nullptr &&
        info.dli_fname[0] != '\0') {
        // The name of the program itself may be as it was started, relative or bare.
        const std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
        if (!error) {
            return file.parent_path();
        }
    }
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

#endif

} // namespace pelgra::audio
