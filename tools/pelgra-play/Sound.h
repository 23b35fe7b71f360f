// One file loaded into the engine, as a song or as a sound effect.
#ifndef PELGRA_PLAY_SOUND_H
#define PELGRA_PLAY_SOUND_H

#include "PelgraSoundEngine.h"

#include <optional>
#include <string>

namespace pelgra::play {

class Sound {
public:
    // Throws Failure when the engine does not take the file as what it is asked to be.
    // loop: loop it, when it is an effect (songs always loop).
    Sound(const std::string& path, bool loop, bool song);

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
