// A song: a tracker module, a MIDI file or a streamed sampled audio file playing as one more source
// of the mixer, at its own volume, looping until stopped.
//
// Threads. open(), play(), stop(), setPaused(), isPlaying(), stoppedAndSilent(),
// awaitRendered() and the destructor are for application threads, also several at
// once; of them only open(), awaitRendered() and the destructor wait for the song
// worker. mixInto() is for the audio thread alone: it only reads frames the shared song
// worker rendered ahead into the song's ring, and never waits, allocates or frees.
// resting(), info() and positionMs() may be asked from any thread. setVolume() and
// fadeVolume() are for one application thread at a time.
//
// A stopped song keeps its beginning rendered ahead (from its load, and again after each
// stop), so that play() starts it at the next mix without waiting. A play() while the
// song plays starts over from frames the worker renders after the call: the new start
// is heard once they are there.
//
// Transitions fade over rampFrames() frames to avoid clicks: play() fades in from the
// first frame, setPaused(true) and stop() fade out, and a play() while the song is
// audible fades the old sound out before the song starts over. The fades run as the
// frames are mixed, so a stop() is only complete once rampFrames() more frames have been
// mixed; a play() issued before that begins with the rest of the fade.
//
// Volume. Each song has a volume of its own (SongVolume), under the music volume: set or
// faded by setVolume() and fadeVolume(), from application threads, and applied frame by
// frame as the song is mixed, together with the fades above.
//
// Lifetime. The mixer holds the song as a StreamSource. Destroy the song only once
// the audio thread can no longer call mixInto() (detached from the mixer, and the
// mixer has passed a block since); destruction waits for the worker to leave it.
#ifndef PELGRA_AUDIO_SONG_H
#define PELGRA_AUDIO_SONG_H

#include "mixer/GainRamp.h"
#include "mixer/StreamSource.h"
#include "song/PositionTable.h"
#include "song/SongInfo.h"
#include "song/SongVolume.h"
#include "song/SongWorker.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace pelgra::audio {

class ByteSource;
class FrameRing;
class SongRenderer;

class Song final : public StreamSource, private SongWorker::Task {
public:
    // Opens a module file (anything libopenmpt plays), a Standard MIDI file (played
    // through the SoundFont that soundFontPath() names) or
    // a sampled audio file (streamed from the file while it plays) to be rendered at
    // mixRate Hz (8000..192000), stopped, and waits (bounded) until its beginning is
    // rendered ahead. Null when the file is not a song that can be played, or the rate is
    // out of range; prints nothing.
    static std::unique_ptr<Song> open(const char* path, int mixRate) noexcept;
    // The same from any source of bytes, which the song keeps while it streams from it
    // and lets go of once read whole or refused. A source of unknown size is read whole,
    // up to the song file size (kMaxSongFileBytes), and played from memory.
    static std::unique_ptr<Song> open(std::unique_ptr<ByteSource> input, int mixRate) noexcept;

    ~Song() override;
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    // Starts the song from its beginning, also when it plays already, and unpauses
    // it. Never waits.
    void play() noexcept;

    // Stops the song and rewinds it; a later play() starts it from the beginning.
    void stop() noexcept;

    // Pauses the song where it is, or resumes it from there.
    void setPaused(bool paused) noexcept;

    // The song's own volume, 0..SongVolume::kMaxVolume: glides there over one mixing
    // block, or fades there over `frames` frames along SongVolume's equal-power curve.
    // A fade with `stop` goes to silence and then stops the song as stop() does, unless a
    // play() comes first.
    void setVolume(int volume) noexcept { m_volume.set(volume); }
    void fadeVolume(int volume, std::int64_t frames, bool stop) noexcept {
        m_volume.fade(volume, frames, stop);
    }

    // True from play() until stop(), paused or not, unless a streamed song's file
    // failed so that nothing of it could be played.
    bool isPlaying() const noexcept;

    // Stopped, and the audio thread has mixed its fade-out to the end: until the next
    // play(), mixing it adds nothing, so the mixer may let it go.
    bool stoppedAndSilent() const noexcept;

    // Waits (bounded) until `frames` frames after those mixed so far are rendered ahead
    // (for a song that does not play: as far as a fade-out may need). For callers that mix faster
    // than real time, such as a manual output, tests and benchmarks; the audio thread never calls
    // it. Returns false when the wait timed out.
    bool awaitRendered(int frames) noexcept override;

    // What the file told when it was opened.
    const SongInfo& info() const noexcept;

    // Where in its file the frame the audio thread mixed last stands, in ms: 0 while
    // stopped, and from a play() until the audio thread has mixed the new start.
    int positionMs() const noexcept;

    // Frames over which starts, pauses and stops fade.
    int rampFrames() const noexcept { return m_rampFrames; }

    int mixInto(float* interleavedStereo, int frames) noexcept override;
    // Folds the gain into the song's own volume and fades: one pass from ring to mix.
    int mixScaled(float* interleavedStereo, int frames, float gain, float gainStep,
                  MixInto into) noexcept override;

    // Stopped or paused, and the audio thread has mixed its fade-out to the end: until
    // the next play(), stop() or setPaused(), mixing it adds nothing. A playing song
    // never rests, even while its frames are not rendered ahead yet.
    bool resting() const noexcept override;

private:
    Song(std::unique_ptr<SongRenderer> renderer, int mixRate);

    bool renderAhead() noexcept override;
    // Worker: rewinds the renderer and cuts what the ring holds of the song before the
    // latest play() down to a fade's worth.
    void startOver(std::uint32_t epoch) noexcept;
    // Worker: renders frames onto the end of the ring, which has room for them.
    void renderFrames(std::uint64_t frames) noexcept;
    // Audio thread: mixes up to `frames` frames from `position`, `available` at most,
    // fading towards `audible`, under the outer gain `scale` (moving by `scaleStep` a
    // frame), put into `out` as `into` says; stops early when faded out. Returns the
    // frames mixed.
    int mixFading(float* out, int frames, std::uint64_t& position, std::uint64_t available,
                  bool audible, float scale, float scaleStep, MixInto into) noexcept;
    // Turns the fade towards full level or silence, if it is not heading there already.
    void aimFade(bool audible) noexcept;
    // Silent and staying so: nothing of the song is heard.
    bool faded() const noexcept;
    // Audio thread: a fade that was to stop the song has ended: stops it as stop() does,
    // unless a play() came since the fade was taken.
    void stopFadedOut() noexcept;
    std::uint64_t freshFramesAhead() const noexcept;
    // The epoch whose frames the worker renders for a command: a stopped song's next.
    static std::uint32_t epochToRender(std::uint32_t command) noexcept;
    // The worker has rendered the beginning of the next play() of a stopped song.
    bool startReady() const noexcept;
    // A position noted past the end of the loop, folded back into it.
    int foldIntoLoop(int ms) const noexcept;

    const int m_rampFrames;
    std::unique_ptr<SongRenderer> m_renderer;
    std::unique_ptr<FrameRing> m_ring;
    const std::uint64_t m_prefillFrames; // what a stopped song keeps of its beginning
    PositionTable m_positions;           // of the ring's frames in the file
    std::shared_ptr<SongWorker> m_worker;

    // What the application asked for: playing and paused bits and, above them, an
    // epoch counting the play() calls.
    std::atomic<std::uint32_t> m_command{0};

    // Written by the worker while it holds m_ringClaim: the epoch of the play() the ring
    // is rendering, and the position where that play()'s frames begin.
    std::atomic<std::uint32_t> m_ringEpoch{0};
    std::atomic<std::uint64_t> m_epochStart{0};
    // Written by the audio thread after each mix: the command it mixed, when nothing of
    // the song was left audible; kPlayingBit (a value no stopped song has) otherwise.
    std::atomic<std::uint32_t> m_quietCommand{0};
    // Held by the audio thread for one mixInto() and by the worker for a start-over:
    // the audio thread only tries it (a miss is one silent block), the worker waits.
    std::atomic_flag m_ringClaim = ATOMIC_FLAG_INIT;

    std::uint32_t m_renderedEpoch = 0; // worker only
    std::uint32_t m_heardEpoch = 0;    // audio thread only: the epoch being mixed
    GainRamp m_fade;                   // audio thread only: silent until the first play()
    SongVolume m_volume;
    std::uint32_t m_stopEpoch = 0; // audio thread only: the play a fade is to stop
};

} // namespace pelgra::audio

#endif
