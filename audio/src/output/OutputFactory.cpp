#include "output/OutputFactory.h"

#include "output/NullOutput.h"
#if defined(PELGRA_AUDIO_HAVE_SDL2)
#include "output/SdlOutput.h"
#endif

#include <algorithm>
#include <iterator>

namespace pelgra::audio {
namespace {

struct OutputKind {
    std::string_view name;
    std::unique_ptr<Output> (*make)(int mixRate, ManualRenderGate& gate);
};

// The outputs this build has: the one list both the choice and the start read, so that
// a name is accepted exactly when its output can be made.
const OutputKind kOutputKinds[] = {
#if defined(PELGRA_AUDIO_HAVE_SDL2)
    {"sdl",
     [](int mixRate, ManualRenderGate& /*gate*/) -> std::unique_ptr<Output> {
         return std::make_unique<SdlOutput>(mixRate);
     }},
#endif
    {"null",
     [](int mixRate, ManualRenderGate& /*gate*/) -> std::unique_ptr<Output> {
         return std::make_unique<NullOutput>(mixRate);
     }},
    {"manual",
     [](int /*mixRate*/, ManualRenderGate& gate) -> std::unique_ptr<Output> {
         return std::make_unique<ManualOutput>(gate);
     }},
};

const OutputKind* findOutputKind(std::string_view name) {
    const auto* found = std::find_if(std::begin(kOutputKinds), std::end(kOutputKinds),
                                     [&](const OutputKind& kind) { return kind.name == name; });
    return found != std::end(kOutputKinds) ? found : nullptr;
}

} // namespace

bool isOutputName(std::string_view name) {
    return findOutputKind(name) != nullptr;
}

std::unique_ptr<Output> makeOutput(std::string_view name, int mixRate, ManualRenderGate& gate) {
    const OutputKind* kind = findOutputKind(name);
    return kind != nullptr ? kind->make(mixRate, gate) : nullptr;
}

} // namespace pelgra::audio
