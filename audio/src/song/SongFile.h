// Reading a song file whole, refusing what cannot be one before reading it.
#ifndef PELGRA_AUDIO_SONG_FILE_H
#define PELGRA_AUDIO_SONG_FILE_H

#include <cstdint>
#include <optional>
#include <vector>

namespace pelgra::audio {

// Larger files are refused unread: no song needs more, and a hostile file must not
// make the library allocate without bound.
constexpr std::uintmax_t kMaxSongFileBytes = std::uintmax_t{64} << 20;

// The bytes of a regular, non-empty file of at most kMaxSongFileBytes; nothing for a
// null or missing path, a directory, or a file that cannot be read whole.
std::optional<std::vector<std::uint8_t>> readSongFile(const char* path);

} // namespace pelgra::audio

#endif
