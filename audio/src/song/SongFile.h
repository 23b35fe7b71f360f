// Reading a song file whole, refusing what cannot be one before reading it, and telling
// the files that are streamed instead. The file is any source of bytes: a file, memory
// or the application's callbacks (file/ByteSource.h).
#ifndef PELGRA_AUDIO_SONG_FILE_H
#define PELGRA_AUDIO_SONG_FILE_H

#include "file/ByteSource.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pelgra::audio {

// Larger files are refused unread: no song needs more, and a hostile file must not
// make the library allocate without bound.
constexpr std::uintmax_t kMaxSongFileBytes = std::uintmax_t{64} << 20;

// The bytes of a non-empty file of at most kMaxSongFileBytes (of known size: see
// withKnownSize); nothing for a file that cannot be read whole.
std::optional<std::vector<std::uint8_t>> readSongFile(ByteSource& file);

// True when the file starts as a sampled audio file does (Ogg, FLAC, WAV, AIFF, MP3):
// such a song is streamed from the file rather than read whole. No module or MIDI
// file starts so.
bool isSampledAudioFile(ByteSource& file);

} // namespace pelgra::audio

#endif
