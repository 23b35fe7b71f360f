#include "Sound.h"

#include "Errors.h"

namespace pelgra::play {

Sound::Sound(const std::string& path, bool loop, bool song) : m_path(path) {
    if (song) {
        m_song.emplace();
        if (!m_song->LoadFromFile(m_path.data())) {
            throw Failure(path + ": the engine cannot play it as a song");
        }
        return;
    }
    m_effect.emplace();
    if (!m_effect->LoadFromFile(m_path.data(), loop)) {
        throw Failure(path + ": the engine cannot play it as an effect");
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
