#include "Sound.h"

#include "PelgraAudio.h"

namespace pelgra::play {

namespace {

// A file refused as a song only for not being one says more as an effect; anything
// else (no SoundFont, a damaged MIDI file, a missing file) is the song's own reason.
int refusalReason(int asSong, int asEffect) {
    return asSong == PELGRA_AUDIO_ERR_FILE_FORMAT ? asEffect : asSong;
}

} // namespace

Sound::Sound(const std::string& path, bool loop, bool song) : m_path(path) {
    int asSong = PELGRA_AUDIO_ERR_FILE_FORMAT;
    if (song) {
        m_song.emplace();
        if (m_song->LoadFromFile(m_path.data())) {
            return;
        }
        asSong = PelgraAudio_GetError();
        m_song.reset();
    }
    m_effect.emplace();
    if (!m_effect->LoadFromFile(m_path.data(), loop)) {
        throw Refused(path,
                      PelgraAudio_GetErrorString(refusalReason(asSong, PelgraAudio_GetError())));
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
