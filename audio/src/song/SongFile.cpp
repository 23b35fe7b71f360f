#include "song/SongFile.h"

#include "failure/FailureReason.h"

#include <filesystem>
#include <fstream>

namespace pelgra::audio {

std::optional<std::vector<std::uint8_t>> readSongFile(const char* path) {
    if (path == nullptr) {
        noteFailure(FMOD_ERR_INVALID_PARAM);
        return std::nullopt;
    }
    std::error_code error;
    if (*path == '\0' || !std::filesystem::is_regular_file(path, error)) {
        noteFailure(FMOD_ERR_FILE_NOTFOUND);
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0) {
        noteFailure(FMOD_ERR_FILE_BAD);
        return std::nullopt;
    }
    if (size > kMaxSongFileBytes) {
        noteFailure(FMOD_ERR_FILE_TOO_LARGE);
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!file || file.gcount() != static_cast<std::streamsize>(size)) {
        noteFailure(FMOD_ERR_FILE_BAD);
        return std::nullopt;
    }
    return bytes;
}

} // namespace pelgra::audio
