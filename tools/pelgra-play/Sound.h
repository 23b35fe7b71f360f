// One file loaded into the engine: as a song when the engine takes it as one, otherwise
// as a sound effect.
#ifndef PELGRA_PLAY_SOUND_H
#define PELGRA_PLAY_SOUND_H

#include "Errors.h"

#include "PelgraSoundEngine.h"

#include <optional>
#include <string>

namespace pelgra::play {

// The engine takes the file neither as a song nor as an effect; what() names the file
// and the audio library's reason, reason() the reason alone.
class Refused : public Failure {
public:
    Refused(const std::string& path, const std::string& reason)
        : Failure(path + ": cannot play it: " + reason), m_reason(reason) {}
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

class Sound {
public:
    // Throws Refused when the engine takes the file neither as a song nor as an effect.
    // loop: loop it, when it is an effect (songs always loop).
    Sound(const std::string& path, bool loop);

    bool isSong() const { return m_song.has_value(); }

    void play();
    void pause(bool paused); // an effect's pause acts on every effect voice
    void stop();             // an effect's stop acts on every effect voice

private:
    std::string m_path; // the engine takes a writable name
    std::optional<CSong> m_song;
    std::optional<CSoundFX> m_effect;
};

} // namespace pelgra::play

#endif
