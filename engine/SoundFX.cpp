#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

CSoundFX::CSoundFX() : m_sample(nullptr) {}

CSoundFX::~CSoundFX() {
    // Voices may still play this object's sample, or a copy's; stop them all before
    // the sample goes.
    FSOUND_StopSound(FSOUND_ALL);
    FreeSound();
}

bool CSoundFX::LoadFromFile(char* fileName, bool loop) {
    if (m_sample == nullptr) {
        const unsigned int mode = loop ? (FSOUND_NORMAL | FSOUND_LOOP_NORMAL) : FSOUND_NORMAL;
        m_sample = FSOUND_Sample_Load(FSOUND_FREE, fileName, mode, 0, 0);
    }
    return m_sample != nullptr;
}

void CSoundFX::FreeSound() {
    if (m_sample == nullptr) {
        return;
    }
    FSOUND_StopSound(FSOUND_ALL);
    FSOUND_Sample_Free(m_sample);
    m_sample = nullptr;
}

void CSoundFX::Play() {
    FSOUND_PlaySound(FSOUND_FREE, m_sample);
}

void CSoundFX::Pause(bool paused) {
    FSOUND_SetPaused(FSOUND_ALL, paused ? 1 : 0);
}

void CSoundFX::Stop() {
    FSOUND_StopSound(FSOUND_ALL);
}

CSoundFX& CSoundFX::operator=(const CSoundFX& other) = default;
