#include "EngineState.h"
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

namespace pelgra::engine {

bool g_engineInitialised = false;

} // namespace pelgra::engine

using pelgra::engine::g_engineInitialised;

namespace {
constexpr int kStartVolume = 128;
}

bool InitializeSoundFXEngine(int mixRate, int maxChannels) {
    if (g_engineInitialised) {
        return true;
    }
    // A library that failed to start is reported, and the engine stays stopped so
    // that a later call can try again.
    if (FSOUND_Init(mixRate, maxChannels, 0) == 0) {
        return false;
    }
    FSOUND_SetSFXMasterVolume(kStartVolume);
    g_engineInitialised = true;
    return true;
}

void ShutdownSoundFXEngine() {
    if (!g_engineInitialised) {
        return;
    }
    FSOUND_Close();
    g_engineInitialised = false;
}

void SetMasterVolume(unsigned char volume) {
    FSOUND_SetSFXMasterVolume(static_cast<int>(volume));
}
