// Loop points as game music tags them, in Vorbis and Opus comments: LOOPSTART with
// LOOPLENGTH or LOOPEND (the first frame after the loop), all in frames of the file's
// own rate.
#ifndef PELGRA_AUDIO_LOOP_TAGS_H
#define PELGRA_AUDIO_LOOP_TAGS_H

#include "decode/AudioStream.h"

#include <cstdint>
#include <optional>

namespace pelgra::audio {

// The loop the comments ("KEY=value", as libvorbis and libopusfile keep them) name,
// when it lies within `frames` and is not empty; nothing otherwise.
std::optional<LoopPoints> loopFromComments(char** comments, int count, std::int64_t frames);

} // namespace pelgra::audio

#endif
