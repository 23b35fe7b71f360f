#include "Sound.h"

#include "Errors.h"

namespace pelgra::play {

Sound::Sound(const std::string& path, bool loop) : m_path(path) {
    // The engine knows best what it can play as music; whatever it refuses as a song is
    // tried as a sample.
    m_song.emplace();
    if (m_song->LoadFromFile(m_path.data())) {
        return;
    }
    m_song.reset();
    m_effect.emplace();
    if (!m_effect->LoadFromFile(m_path.data(), loop)) {
        throw Failure(path + ": the engine can play it neither as a song nor as an effect");
    }
}

void Sound::play() {
    if (m_song) {
        m_song->Play();
    } else {
        m_effect->Play();
    }
}

void Sound::pause(bool paused) {
    if (m_song) {
        m_song->Pause(paused);
    } else {
        m_effect->Pause(paused);
    }
}

void Sound::stop() {
    if (m_song) {
        m_song->Stop();
    } else {
        m_effect->Stop();
    }
}

} // namespace pelgra::play
