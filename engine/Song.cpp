#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

CSong::CSong() : m_song(nullptr) {}

CSong::~CSong() {
    FMUSIC_StopAllSongs();
    FreeSong();
}

bool CSong::LoadFromFile(char* fileName) {
    if (m_song == nullptr) {
        m_song = FMUSIC_LoadSong(fileName);
    }
    return m_song != nullptr;
}

void CSong::FreeSong() {
    if (m_song == nullptr) {
        return;
    }
    // The audio library stops a playing song itself before freeing it.
    FMUSIC_FreeSong(m_song);
    m_song = nullptr;
}

void CSong::Play() {
    FMUSIC_PlaySong(m_song);
}

void CSong::Pause(bool paused) {
    FMUSIC_SetPaused(m_song, paused ? 1 : 0);
}

void CSong::Stop() {
    FMUSIC_StopSong(m_song);
}

CSong& CSong::operator=(const CSong& other) = default;
