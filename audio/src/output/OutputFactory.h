// Chooses an output by name: "sdl", "null" or "manual".
#ifndef PELGRA_AUDIO_OUTPUT_FACTORY_H
#define PELGRA_AUDIO_OUTPUT_FACTORY_H

#include "output/ManualOutput.h"
#include "output/Output.h"

#include <memory>
#include <string_view>

namespace pelgra::audio {

bool isOutputName(std::string_view name);

// Null for an unknown name.
std::unique_ptr<Output> makeOutput(std::string_view name, int mixRate, ManualRenderGate& gate);

} // namespace pelgra::audio

#endif
