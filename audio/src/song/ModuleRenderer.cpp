#include "song/ModuleRenderer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <libopenmpt/libopenmpt.h>
#include <string>

namespace pelgra::audio {
namespace {
constexpr std::int32_t kRepeatForever = -1;

// A metadata string of libopenmpt's, freed after copying.
std::string metadata(openmpt_module* module, const char* key) {
    const char* value = openmpt_module_get_metadata(module, key);
    if (value == nullptr) {
        return {};
    }
    std::string copy;
    try {
        copy = value;
    } catch (...) {
        openmpt_free_string(value);
        throw;
    }
    openmpt_free_string(value);
    return copy;
}
} // namespace

void ModuleRenderer::Destroy::operator()(openmpt_module* module) const noexcept {
    openmpt_module_destroy(module);
}

ModuleRenderer::Module ModuleRenderer::load(const std::vector<std::uint8_t>& file) noexcept {
    int error = OPENMPT_ERROR_OK;
    const char* message = nullptr;
    Module module(openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, &error, &message, nullptr));
    if (message != nullptr) {
        openmpt_free_string(message);
    }
    if (module != nullptr) {
        // Background music: at the end go on from the restart point the module
        // names, instead of libopenmpt's default of ending.
        openmpt_module_set_repeat_count(module.get(), kRepeatForever);
    }
    return module;
}

std::unique_ptr<ModuleRenderer> ModuleRenderer::open(std::vector<std::uint8_t> file, int mixRate) {
    Module module = load(file);
    if (module == nullptr) {
        return nullptr;
    }
    std::unique_ptr<ModuleRenderer> renderer(
        new ModuleRenderer(std::move(file), std::move(module), mixRate));
    renderer->describe();
    return renderer;
}

void ModuleRenderer::describe() {
    m_info.kind = SongKind::Module;
    m_info.fileRate = m_mixRate;
    // With endless repeats set, libopenmpt still gives the length of one pass.
    const double seconds = openmpt_module_get_duration_seconds(m_module.get());
    if (std::isfinite(seconds) && seconds >= 0.0 && seconds < INT_MAX / 1000.0) {
        m_info.lengthMs = static_cast<int>(std::lround(seconds * 1000.0));
    }
    std::string type = metadata(m_module.get(), "type");
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    m_info.format = (type.empty() ? std::string("tracker") : type) + " module";
    m_info.title = metadata(m_module.get(), "title");
}

double ModuleRenderer::positionMs() const noexcept {
    return openmpt_module_get_position_seconds(m_module.get()) * 1000.0;
}

void ModuleRenderer::render(float* interleavedStereo, int frames) noexcept {
    m_played = true;
    int done = 0;
    while (done < frames) {
        const std::size_t got = openmpt_module_read_interleaved_float_stereo(
            m_module.get(), m_mixRate, static_cast<std::size_t>(frames - done),
            interleavedStereo + 2 * done);
        if (got == 0) {
            std::fill(interleavedStereo + 2 * done, interleavedStereo + 2 * frames, 0.0f);
            return;
        }
        done += static_cast<int>(got);
    }
}

void ModuleRenderer::rewind() noexcept {
    if (!m_played) {
        return;
    }
    Module fresh = load(m_file);
    if (fresh != nullptr) {
        m_module = std::move(fresh);
        m_played = false;
    } else {
        // Out of memory: the nearest thing to a fresh start.
        openmpt_module_set_position_seconds(m_module.get(), 0.0);
    }
}

} // namespace pelgra::audio
