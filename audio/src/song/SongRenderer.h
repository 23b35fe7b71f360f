// What a song is rendered by: a module or MIDI player, or a stream decoder, that turns the song
// file into stereo frames at the mixing rate. Used by one thread at a time, the song worker's after
// opening; it may allocate and take its time, so never on the audio thread.
#ifndef PELGRA_AUDIO_SONG_RENDERER_H
#define PELGRA_AUDIO_SONG_RENDERER_H

#include "song/SongInfo.h"

namespace pelgra::audio {

class SongRenderer {
public:
    virtual ~SongRenderer() = default;

    // Writes exactly `frames` interleaved stereo frames. Songs loop: at the end the
    // song goes on from where its file says; a song that has nothing more to give
    // renders silence.
    virtual void render(float* interleavedStereo, int frames) noexcept = 0;

    // Back to the beginning of the song.
    virtual void rewind() noexcept = 0;

    // True once the song has nothing more to give (a stream whose file failed) until
    // the next rewind. Safe from any thread.
    virtual bool ended() const noexcept { return false; }

    // Where in the file the next frame rendered stands, in ms: after a loop's wrap, back
    // within the loop. The song worker's, like render().
    virtual double positionMs() const noexcept = 0;

    // What the file told when it was opened; unchanged after. Safe from any thread.
    const SongInfo& info() const noexcept { return m_info; }

protected:
    SongInfo m_info; // filled in by the renderer's opening
};

} // namespace pelgra::audio

#endif
