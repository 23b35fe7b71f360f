#include "Sound.h"

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
        m_song = FMUSIC_LoadSong(m_path.c_str());
        if (m_song != nullptr) {
            return;
        }
        asSong = PelgraAudio_GetError();
    }
    m_effect.emplace();
    if (!m_effect->LoadFromFile(m_path.data(), loop)) {
        throw Refused(path,
                      PelgraAudio_GetErrorString(refusalReason(asSong, PelgraAudio_GetError())));
    }
}

Sound::~Sound() {
    if (m_song != nullptr) {
        FMUSIC_FreeSong(m_song);
    }
}

void Sound::play() {
    if (m_song != nullptr) {
        FMUSIC_PlaySong(m_song);
    } else {
        m_effect->Play();
    }
}

void Sound::pause(bool paused) {
    if (m_song != nullptr) {
        FMUSIC_SetPaused(m_song, paused ? 1 : 0);
    } else {
        m_effect->Pause(paused);
    }
}

void Sound::stop() {
    if (m_song != nullptr) {
        FMUSIC_StopSong(m_song);
    } else {
        m_effect->Stop();
    }
}

std::optional<double> Sound::position() const {
    if (m_song == nullptr) {
        return std::nullopt;
    }
    return PelgraAudio_GetSongPosition(m_song) / 1000.0;
}

} // namespace pelgra::play
