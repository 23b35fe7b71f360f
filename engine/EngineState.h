// The engine's only global state. Internal to the engine library (hidden visibility);
// the call-sequence tests reset it between cases.
#ifndef PELGRA_ENGINE_STATE_H
#define PELGRA_ENGINE_STATE_H

namespace pelgra::engine {

// True between a successful InitializeSoundFXEngine and the next ShutdownSoundFXEngine.
extern bool g_engineInitialised;

} // namespace pelgra::engine

#endif
