// What a song's file tells of itself, gathered once when the song is opened (on the
// loading thread) and kept with it unchanged, so that asking costs no decoding.
#ifndef PELGRA_AUDIO_SONG_INFO_H
#define PELGRA_AUDIO_SONG_INFO_H

#include <string>

namespace pelgra::audio {

enum class SongKind { Module, Midi, Stream };

struct SongInfo {
    SongKind kind = SongKind::Module;
    int channels = 2;     // of the file; modules and MIDI render stereo
    int fileRate = 0;     // Hz of the file; the mixing rate for modules and MIDI
    int lengthMs = -1;    // one pass; -1 when unknown
    int loopStartMs = -1; // -1 when the file tags no loop
    int loopEndMs = -1;   // -1 when the file tags no loop
    std::string format;   // "Ogg Vorbis", "XM module", "MIDI", ...
    std::string title;    // from the module or the tags; empty when none
};

} // namespace pelgra::audio

#endif
