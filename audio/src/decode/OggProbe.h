// What an Ogg file holds and whether it ends where it should, read from its pages'
// headers alone: enough to pick a decoder and to tell a file cut short.
#ifndef PELGRA_AUDIO_OGG_PROBE_H
#define PELGRA_AUDIO_OGG_PROBE_H

namespace pelgra::audio {

enum class OggCodec {
    NotOgg, // no Ogg page at the start
    Vorbis,
    Opus,
    Other, // an Ogg stream of another codec, or a damaged first page
};

OggCodec probeOgg(const char* path);

// True when the file's last page is whole, ends the file and closes its stream: a
// file cut short anywhere after its first page fails this.
bool oggEndsWhole(const char* path);

} // namespace pelgra::audio

#endif
