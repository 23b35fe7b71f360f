// A song's own volume, under the music volume: set by application threads, gliding over
// one mixing block or fading along an equal-power curve, and followed frame by frame by
// the audio thread as it mixes the song.
//
// Threads. The application side's calls come from application threads that serialise
// them (the library's lock), except that playing() may come from several at once; the
// audio side's from the audio thread alone. A request
// travels in one atomic word, which the audio thread takes at the start of a mix of the
// song: a request made before it took the previous one replaces that one, keeping what
// the previous one asked of a song not heard (to take a volume at once).
//
// The curve. A fade moves an angle linearly from asin(from) to asin(to), gains 0..1,
// and the gain is sin(angle). A fade from full level to silence and one from silence to
// full level over the same frames then have the gains cos and sin of one angle, whose
// squares sum to one: crossfaded, unrelated material keeps its summed power. Any other
// start and end follow the same curve. A fade moves on only with the frames mixed, so it
// waits while the song is paused or stopped.
#ifndef PELGRA_AUDIO_SONG_VOLUME_H
#define PELGRA_AUDIO_SONG_VOLUME_H

#include "mixer/MixKernels.h"

#include <atomic>
#include <cstdint>

namespace pelgra::audio {

class SongVolume {
public:
    static constexpr int kMaxVolume = 255;
    // A change of volume glides over one mixing block, as the music volume does; no fade
    // is shorter.
    static constexpr int kGlideFrames = 256;
    // What one request can carry; the library's cap on a fade's length stays below it.
    static constexpr std::int64_t kMaxFadeFrames = (std::int64_t{1} << 31) - 1;

    // ---- Application side ----------------------------------------------------------

    // Glides to `volume` (0..kMaxVolume) from the level heard now; a song not heard when
    // the audio thread takes the change takes the volume at once.
    void set(int volume) noexcept;
    // Fades to `volume` over `frames` frames (kGlideFrames..kMaxFadeFrames, clamped) from
    // the level heard now. With `stop`, `volume` is 0 and the song is to stop at the
    // fade's end; the volume to come back to is then still the one set before.
    void fade(int volume, std::int64_t frames, bool stop) noexcept;
    // The song starts (over): a fade that was to stop it gives way to the volume set
    // before it, gliding there from the level heard.
    void playing() noexcept;

    // ---- Audio side ------------------------------------------------------------------

    // Takes the request made since the last one, if any. `heard`: whether anything of
    // the song is heard now (a volume set while it was not applies at once). True when
    // it takes a fade that is to stop the song at its end.
    bool take(bool heard) noexcept;
    // Puts `frames` stereo frames of `stereo` into `accumulator` as `into` says, at the
    // volume times two gains that each move linearly, from `gain` by `gainStep` and from
    // `scale` by `scaleStep` per frame (the song's fade and the music gain over it), and
    // moves the volume on by as many frames.
    void mix(float* accumulator, const float* stereo, int frames, float gain, float gainStep,
             float scale, float scaleStep, MixInto into) noexcept;
    // True once, when a fade that was to stop the song has reached its end.
    bool stopDue() noexcept;

private:
    struct Request {
        int volume = kMaxVolume;
        std::int64_t frames = kGlideFrames;
        bool stop = false;
        int volumeIfSilent = -1; // -1: none
    };
    static std::uint64_t pack(const Request& request) noexcept;
    static Request unpack(std::uint64_t word) noexcept;
    void post(Request request) noexcept;
    // Audio side: the gains of the next `frames` frames of the fade in progress, which has
    // that many left at least.
    void fadeGains(float* gains, int frames) noexcept;
    // Audio side: puts frames at the steady level.
    void mixSteady(float* accumulator, const float* stereo, int frames, float gain, float gainStep,
                   float scale, float scaleStep, MixInto into) const noexcept;

    // The latest request not taken yet; 0 when none.
    std::atomic<std::uint64_t> m_request{0};
    static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

    // Application side; atomic since playing() may come from several threads at once.
    std::atomic<int> m_volumeSet{kMaxVolume}; // what a fade that stops the song comes back to
    std::atomic<bool> m_stopAsked{false};

    // Audio side.
    float m_level = 1.0f;     // the gain of the last frame mixed, 0..1
    float m_target = 1.0f;    // where the fade ends
    double m_fromAngle = 0.0; // asin of the level the fade began at
    double m_angleStep = 0.0; // per frame
    double m_stepCos = 1.0;   // cos and sin of m_angleStep, for turning frame by frame
    double m_stepSin = 0.0;
    std::int64_t m_fadeFrames = 0;
    std::int64_t m_fadeDone = 0;
    bool m_stopAtEnd = false;
    bool m_stopDue = false;
};

} // namespace pelgra::audio

#endif
