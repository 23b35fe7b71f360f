// A program outside the project that uses an installed copy of the library.
#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <cstdio>

int main() {
    PelgraAudio_SetOutput("manual");
    if (!InitializeSoundFXEngine(48000, 8)) {
        std::puts("consumer: the engine did not start");
        return 1;
    }
    char missing[] = "no-such-file.wav";
    bool loaded = false;
    {
        CSoundFX effect;
        loaded = effect.LoadFromFile(missing, false);
    }
    float block[2 * 64];
    const int rendered = PelgraAudio_Render(block, 64);
    ShutdownSoundFXEngine();
    if (loaded || rendered != 64) {
        std::puts("consumer: unexpected results");
        return 1;
    }
    std::puts("consumer: ok");
    return 0;
}
