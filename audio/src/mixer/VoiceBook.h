// The application side's record of the voices: which are busy, what they play and
// when they started, so that a play call can answer with a voice number at once,
// without asking the audio thread. The audio thread reports voices that ended on their
// own through one atomic per voice. Not thread-safe: the caller serialises.
#ifndef PELGRA_AUDIO_VOICE_BOOK_H
#define PELGRA_AUDIO_VOICE_BOOK_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelgra::audio {

struct Sample;

class VoiceBook {
public:
    explicit VoiceBook(int voices);

    int voices() const { return static_cast<int>(m_entries.size()); }

    // A silent voice; when there is none, the one started longest ago among those
    // fading out after a stop; when every voice plays, the one started longest ago.
    // A voice stopped by the application stays out of reach while it fades, so that a
    // stop followed by a play does not cut the fade short.
    int pickVoice() const;
    // The id that the next start of `voice` will be reported with when it ends.
    std::uint32_t nextPlayId(int voice) const {
        return m_entries[static_cast<std::size_t>(voice)].playId + 1;
    }
    // Records that `voice` starts `sample` with nextPlayId(voice).
    void started(int voice, const Sample& sample);
    void stopped(int voice);
    void stoppedAll();
    // Records that every voice playing `sample` stops.
    void stoppedPlaying(const Sample& sample) noexcept;

    // Audio thread: `voice` ended by itself after the start that returned `playId`.
    void reportEnded(int voice, std::uint32_t playId) noexcept {
        m_endedIds[static_cast<std::size_t>(voice)].store(playId, std::memory_order_release);
    }

private:
    struct Entry {
        const Sample* sample = nullptr; // null when stopped by the application
        std::uint32_t playId = 0;
        std::uint64_t startOrder = 0;
    };

    // The audio thread has reported the end of the voice's latest start (or it never
    // started): nothing of it is heard any more.
    bool silent(int voice) const;

    std::vector<Entry> m_entries;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_endedIds;
    std::uint64_t m_starts = 0;
};

} // namespace pelgra::audio

#endif
