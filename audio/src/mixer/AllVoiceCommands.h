// Pauses, resumes and stops addressed to every voice, applied to each voice lazily:
// such a command costs the audio thread O(1) when it arrives, whatever the number of
// voices, and each voice catches up with the ones it has not seen before it is mixed
// or commanded on its own. Only the latest pause or resume matters, and a stop wins
// over both, so two serial numbers describe any run of such commands. Audio thread only.
#ifndef PELGRA_AUDIO_ALL_VOICE_COMMANDS_H
#define PELGRA_AUDIO_ALL_VOICE_COMMANDS_H

#include "mixer/Voice.h"

#include <cstdint>

namespace pelgra::audio {

class AllVoiceCommands {
public:
    void stop() noexcept { m_lastStop = ++m_serial; }
    void setPaused(bool paused) noexcept {
        m_lastPause = ++m_serial;
        m_paused = paused;
    }

    // What a voice started now has seen already.
    std::uint64_t serial() const noexcept { return m_serial; }

    void catchUp(Voice& voice, int fadeFrames) const noexcept {
        const std::uint64_t seen = voice.commandsSeen();
        if (seen == m_serial) {
            return;
        }
        if (m_lastPause > seen) {
            if (m_paused) {
                voice.pause(fadeFrames);
            } else {
                voice.resume(fadeFrames);
            }
        }
        if (m_lastStop > seen) {
            voice.stop(fadeFrames);
        }
        voice.sawCommands(m_serial);
    }

private:
    std::uint64_t m_serial = 0;
    std::uint64_t m_lastStop = 0;
    std::uint64_t m_lastPause = 0;
    bool m_paused = false;
};

} // namespace pelgra::audio

#endif
