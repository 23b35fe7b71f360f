// What Vorbis and Opus comments tell: loop points as game music tags them, LOOPSTART with
// LOOPLENGTH or LOOPEND (the first frame after the loop), all in frames of the file's
// own rate; and the title.
#ifndef PELGRA_AUDIO_LOOP_TAGS_H
#define PELGRA_AUDIO_LOOP_TAGS_H

#include "decode/AudioStream.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pelgra::audio {

// The loop the comments ("KEY=value", as libvorbis and libopusfile keep them) name,
// when it lies within `frames` and is not empty; nothing otherwise.
std::optional<LoopPoints> loopFromComments(const char* const* comments, int count,
                                           std::int64_t frames);

// The value of the first TITLE comment; empty when there is none.
std::string titleFromComments(char** comments, int count);

} // namespace pelgra::audio

#endif
