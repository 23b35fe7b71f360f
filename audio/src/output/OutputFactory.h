// Chooses an output by name: "sdl" (in a build with SDL2), "null" or "manual".
#ifndef PELGRA_AUDIO_OUTPUT_FACTORY_H
#define PELGRA_AUDIO_OUTPUT_FACTORY_H

#include "output/ManualOutput.h"
#include "output/Output.h"

#include <memory>
#include <string_view>

namespace pelgra::audio {

// Whether this build has an output of that name.
bool isOutputName(std::string_view name);

// Null for a name this build has no output for.
std::unique_ptr<Output> makeOutput(std::string_view name, int mixRate, ManualRenderGate& gate);

} // namespace pelgra::audio

#endif
