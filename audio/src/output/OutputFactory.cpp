#include "output/OutputFactory.h"

#include "output/NullOutput.h"
#if defined(PELGRA_AUDIO_HAVE_SDL2)
#include "output/SdlOutput.h"
#endif

namespace pelgra::audio {

bool isOutputName(std::string_view name) {
    return name == "sdl" || name == "null" || name == "manual";
}

std::unique_ptr<Output> makeOutput(std::string_view name, int mixRate, ManualRenderGate& gate) {
#if defined(PELGRA_AUDIO_HAVE_SDL2)
    if (name == "sdl") {
        return std::make_unique<SdlOutput>(mixRate);
    }
#endif
    if (name == "null") {
        return std::make_unique<NullOutput>(mixRate);
    }
    if (name == "manual") {
        return std::make_unique<ManualOutput>(gate);
    }
    return nullptr;
}

} // namespace pelgra::audio
