// What a song is rendered by: a module or MIDI player that turns the song file into
// stereo frames at the mixing rate. Used by one thread at a time, the song worker's
// after opening; it may allocate and take its time, so never on the audio thread.
#ifndef PELGRA_AUDIO_SONG_RENDERER_H
#define PELGRA_AUDIO_SONG_RENDERER_H

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
};

} // namespace pelgra::audio

#endif
