#include "song/SongFile.h"

#include "failure/FailureReason.h"

#include <array>
#include <cstring>

namespace pelgra::audio {

std::optional<std::vector<std::uint8_t>> readSongFile(ByteSource& file) {
    const std::int64_t size = file.size();
    if (size == 0) {
        noteFailure(Failure::FileDamaged);
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(size) > kMaxSongFileBytes) {
        noteFailure(Failure::FileTooLarge);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!file.readAt(0, bytes.data(), bytes.size()) || file.failed()) {
        noteFailure(Failure::FileDamaged);
        return std::nullopt;
    }
    return bytes;
}

bool isSampledAudioFile(ByteSource& file) {
    std::array<unsigned char, 12> head{};
    if ((file.seek(0, SEEK_SET) ? file.read(head.data(), head.size()) : 0) < 4) {
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
