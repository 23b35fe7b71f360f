// The comments of a FLAC file's VORBIS_COMMENT metadata block, which libsndfile keeps to
// itself: read from the block headers at the start of the file, so that FLAC files tag
// their loops as Ogg files do.
#ifndef PELGRA_AUDIO_FLAC_COMMENTS_H
#define PELGRA_AUDIO_FLAC_COMMENTS_H

#include "file/ByteSource.h"

#include <string>
#include <vector>

namespace pelgra::audio {

// The "KEY=value" comments of the FLAC file `input` holds; empty when it is no FLAC
// file, has no comment block, or the block is damaged or unreasonably large. Moves the
// source's position.
std::vector<std::string> flacComments(ByteSource& input);

} // namespace pelgra::audio

#endif
