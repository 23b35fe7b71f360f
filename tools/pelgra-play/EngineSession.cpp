#include "Errors.h"
#include "Output.h"

#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"

#include <string>

namespace pelgra::play {

EngineSession::EngineSession(const char* output, int rate, int voices) {
    if (PelgraAudio_SetOutput(output) == 0) {
        throw Failure(std::string("the audio library refuses the output '") +
                      (output != nullptr ? output : "default") + "'");
    }
    if (!InitializeSoundFXEngine(rate, voices)) {
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
