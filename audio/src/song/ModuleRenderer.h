// Tracker modules (MOD, S3M, XM, IT, MPTM and the other formats libopenmpt reads),
// rendered by libopenmpt straight at the mixing rate in float.
#ifndef PELGRA_AUDIO_MODULE_RENDERER_H
#define PELGRA_AUDIO_MODULE_RENDERER_H

#include "song/SongRenderer.h"

#include <cstdint>
#include <memory>
#include <vector>

struct openmpt_module;

namespace pelgra::audio {

class ModuleRenderer final : public SongRenderer {
public:
    // Null when libopenmpt does not take the bytes for a module. Logs nothing.
    static std::unique_ptr<ModuleRenderer> open(const std::vector<std::uint8_t>& file, int mixRate);
    ~ModuleRenderer() override;
    ModuleRenderer(const ModuleRenderer&) = delete;
    ModuleRenderer& operator=(const ModuleRenderer&) = delete;

    void render(float* interleavedStereo, int frames) noexcept override;
    void rewind() noexcept override;

private:
    ModuleRenderer(openmpt_module* module, int mixRate) : module_(module), mixRate_(mixRate) {}

    openmpt_module* module_;
    int mixRate_;
};

} // namespace pelgra::audio

#endif
