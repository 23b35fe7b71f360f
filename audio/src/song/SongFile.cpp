#include "song/SongFile.h"

#include <filesystem>
#include <fstream>

namespace pelgra::audio {

std::optional<std::vector<std::uint8_t>> readSongFile(const char* path) {
    if (path == nullptr || *path == '\0') {
        return std::nullopt;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxSongFileBytes) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!file || file.gcount() != static_cast<std::streamsize>(size)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace pelgra::audio
