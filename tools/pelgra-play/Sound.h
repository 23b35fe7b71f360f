// One file loaded, as a song or as a sound effect. Effects play through the engine; songs
// through the audio library's song calls, whose handle tells where a song is in its file.
#ifndef PELGRA_PLAY_SOUND_H
#define PELGRA_PLAY_SOUND_H

#include "Errors.h"

#include "PelgraAudio.h"
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
    // Loads the file as a song when `song` is set, else as an effect; what the engine
    // refuses as a song is tried as an effect. Throws Refused when nothing took it.
    // loop: loop it, when it is an effect (songs always loop).
    Sound(const std::string& path, bool loop, bool song);
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    bool isSong() const { return m_song != nullptr; }

    void play();
    void pause(bool paused); // an effect's pause acts on every effect voice
    void stop();             // an effect's stop acts on every effect voice

    // A song's place in its file, in seconds; nothing for an effect.
    std::optional<double> position() const;

private:
    std::string m_path; // the engine takes a writable name
    FMUSIC_MODULE* m_song = nullptr;
    std::optional<CSoundFX> m_effect;
};

} // namespace pelgra::play

#endif
