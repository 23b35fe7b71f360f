#include "song/SoundFontPath.h"

#include <cstdlib>
#include <system_error>

namespace pelgra::audio {

std::string soundFontPath(const std::filesystem::path& libraryFolder) {
    if (const char* configured = std::getenv("PELGRA_SOUNDFONT"); configured != nullptr) {
        return configured;
    }
    if (!libraryFolder.empty()) {
        const std::filesystem::path shipped = libraryFolder / "soundfonts" / "default.sf2";
        std::error_code error;
        if (std::filesystem::is_regular_file(shipped, error)) {
            return shipped.string();
        }
    }
#if defined(_WIN32)
    return {};
#else
    return "/usr/share/sounds/sf2/TimGM6mb.sf2";
#endif
}

} // namespace pelgra::audio
