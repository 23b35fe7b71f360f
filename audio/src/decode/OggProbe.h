// What an Ogg file holds and whether it ends where it should, read from its pages'
// headers alone: enough to pick a decoder and to tell a file cut short. Each reads where
// it needs and leaves the file's position anywhere.
#ifndef PELGRA_AUDIO_OGG_PROBE_H
#define PELGRA_AUDIO_OGG_PROBE_H

#include "file/ByteSource.h"

namespace pelgra::audio {

enum class OggCodec {
    NotOgg, // no Ogg page at the start
    Vorbis,
    Opus,
    Other, // an Ogg stream of another codec, or a damaged first page
};

OggCodec probeOgg(ByteSource& file);

// True when the file's last page is whole, ends the file (or is followed by nothing but
// an ID3v1 or APEv2 tag) and closes its stream: a file cut short anywhere after its
// first page fails this.
bool oggEndsWhole(ByteSource& file);

} // namespace pelgra::audio

#endif
