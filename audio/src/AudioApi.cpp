// The C entry points. Until the mixer lands they validate their arguments and keep
// the running state only: no sample or song can be loaded yet.
#include "PelgraAudio.h"

#include <atomic>

namespace {
std::atomic<bool> g_running{false};

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;
constexpr int kMaxVoices = 1024;
} // namespace

extern "C" {

int FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int /*flags*/) {
    if (mixRate < kMinRate || mixRate > kMaxRate || maxSoftwareChannels < 1 ||
        maxSoftwareChannels > kMaxVoices) {
        return 0;
    }
    bool expected = false;
    return g_running.compare_exchange_strong(expected, true) ? 1 : 0;
}

void FSOUND_Close(void) { g_running = false; }

int FSOUND_SetSFXMasterVolume(int /*volume*/) { return g_running ? 1 : 0; }

FSOUND_SAMPLE* FSOUND_Sample_Load(int /*index*/, const char* /*name*/, unsigned int /*mode*/,
                                  int /*offset*/, int /*length*/) {
    return nullptr;
}

int FSOUND_Sample_Free(FSOUND_SAMPLE* /*sample*/) { return 0; }
int FSOUND_PlaySound(int /*channel*/, FSOUND_SAMPLE* /*sample*/) { return -1; }
int FSOUND_SetPaused(int /*channel*/, int /*paused*/) { return g_running ? 1 : 0; }
int FSOUND_StopSound(int /*channel*/) { return g_running ? 1 : 0; }

FMUSIC_MODULE* FMUSIC_LoadSong(const char* /*name*/) { return nullptr; }
int FMUSIC_FreeSong(FMUSIC_MODULE* /*song*/) { return 0; }
int FMUSIC_PlaySong(FMUSIC_MODULE* /*song*/) { return 0; }
int FMUSIC_StopSong(FMUSIC_MODULE* /*song*/) { return 0; }
int FMUSIC_SetPaused(FMUSIC_MODULE* /*song*/, int /*paused*/) { return 0; }
int FMUSIC_StopAllSongs(void) { return g_running ? 1 : 0; }

int PelgraAudio_SetOutput(const char* /*name*/) { return 0; }
int PelgraAudio_Render(float* /*interleavedStereo*/, int /*frames*/) { return 0; }

int PelgraAudio_GetStats(PelgraAudioStats* stats) {
    if (stats == nullptr) {
        return 0;
    }
    *stats = PelgraAudioStats{};
    return 1;
}

void PelgraAudio_ResetStats(void) {}
}
