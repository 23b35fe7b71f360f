#include "EngineSession.h"

#include "Errors.h"

#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <cstdlib>
#include <string>

namespace pelgra::play {

EngineSession::EngineSession(const char* output, int rate, int voices) {
    if (PelgraAudio_SetOutput(output) == 0) {
        throw Failure(std::string("the audio library refuses the output '") +
                      (output != nullptr ? output : "default") + "'");
    }
    if (!InitializeSoundFXEngine(rate, voices)) {
        const char* chosen = std::getenv("PELGRA_AUDIO_OUTPUT");
        if (output == nullptr && chosen != nullptr && *chosen != '\0' &&
            PelgraAudio_GetError() == PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT) {
            throw Failure(std::string("PELGRA_AUDIO_OUTPUT=") + chosen +
                          " names no output of the audio library: use sdl or null, or unset it");
        }
        if (output == nullptr) {
            throw DeviceUnavailable("cannot open the audio device");
        }
        throw Failure(std::string("the audio library cannot start on the '") + output + "' output");
    }
}

EngineSession::~EngineSession() {
    ShutdownSoundFXEngine();
}

} // namespace pelgra::play
