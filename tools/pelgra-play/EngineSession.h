// The engine, started on one output of the audio library: every output holds one, and
// --info starts one on the manual output to ask the engine what it makes of each file.
#ifndef PELGRA_PLAY_ENGINE_SESSION_H
#define PELGRA_PLAY_ENGINE_SESSION_H

namespace pelgra::play {

// The engine, started on one output of the audio library for as long as the session lives.
class EngineSession {
public:
    // output: a name PelgraAudio_SetOutput knows, or nullptr for the environment's choice.
    // Throws Failure for an output the library refuses and DeviceUnavailable when the
    // engine cannot start on it.
    EngineSession(const char* output, int rate, int voices);
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;
};

} // namespace pelgra::play

#endif
