#include "song/SongFile.h"

#include "failure/FailureReason.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace pelgra::audio {

std::optional<std::vector<std::uint8_t>> readSongFile(const char* path) {
    if (path == nullptr) {
        noteFailure(Failure::InvalidArgument);
        return std::nullopt;
    }
    std::error_code error;
    if (*path == '\0' || !std::filesystem::is_regular_file(path, error)) {
        noteFailure(Failure::FileNotFound);
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0) {
        noteFailure(Failure::FileDamaged);
        return std::nullopt;
    }
    if (size > kMaxSongFileBytes) {
        noteFailure(Failure::FileTooLarge);
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!file || file.gcount() != static_cast<std::streamsize>(size)) {
        noteFailure(Failure::FileDamaged);
        return std::nullopt;
    }
    return bytes;
}

bool isSampledAudioFile(const char* path) {
    if (path == nullptr || *path == '\0') {
        return false;
    }
    std::array<unsigned char, 12> head{};
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    if (file.gcount() < 4) {
        return false;
    }
    const auto startsWith = [&](const char* magic, std::size_t at = 0) {
        return std::memcmp(head.data() + at, magic, std::strlen(magic)) == 0;
    };
    const bool riffWave = startsWith("RIFF") && startsWith("WAVE", 8);
    const bool rf64Wave = startsWith("RF64") && startsWith("WAVE", 8);
    const bool aiff = startsWith("FORM") && (startsWith("AIFF", 8) || startsWith("AIFC", 8));
    // MPEG audio: an ID3 tag, or a frame sync (eleven set bits) of layer III.
    const bool mp3 = startsWith("ID3") || (head[0] == 0xFF && (head[1] & 0xE6) == 0xE2);
    return startsWith("OggS") || startsWith("fLaC") || riffWave || rf64Wave || aiff || mp3;
}

} // namespace pelgra::audio
