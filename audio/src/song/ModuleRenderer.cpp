#include "song/ModuleRenderer.h"

#include <algorithm>
#include <libopenmpt/libopenmpt.h>

namespace pelgra::audio {
namespace {
constexpr std::int32_t kRepeatForever = -1;
} // namespace

std::unique_ptr<ModuleRenderer> ModuleRenderer::open(const std::vector<std::uint8_t>& file,
                                                     int mixRate) {
    int error = OPENMPT_ERROR_OK;
    const char* message = nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, &error, &message, nullptr);
    if (message != nullptr) {
        openmpt_free_string(message);
    }
    if (module == nullptr) {
        return nullptr;
    }
    // Background music: at the end go on from the restart point the module names,
    // instead of libopenmpt's default of ending.
    openmpt_module_set_repeat_count(module, kRepeatForever);
    return std::unique_ptr<ModuleRenderer>(new ModuleRenderer(module, mixRate));
}

ModuleRenderer::~ModuleRenderer() {
    openmpt_module_destroy(module_);
}

void ModuleRenderer::render(float* interleavedStereo, int frames) noexcept {
    int done = 0;
    while (done < frames) {
        const std::size_t got = openmpt_module_read_interleaved_float_stereo(
            module_, mixRate_, static_cast<std::size_t>(frames - done),
            interleavedStereo + 2 * done);
        if (got == 0) {
            std::fill(interleavedStereo + 2 * done, interleavedStereo + 2 * frames, 0.0F);
            return;
        }
        done += static_cast<int>(got);
    }
}

void ModuleRenderer::rewind() noexcept {
    openmpt_module_set_position_seconds(module_, 0.0);
}

} // namespace pelgra::audio
