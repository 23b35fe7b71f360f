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
    static std::unique_ptr<ModuleRenderer> open(std::vector<std::uint8_t> file, int mixRate);

    void render(float* interleavedStereo, int frames) noexcept override;

    // Opens the module afresh: libopenmpt's own seek to the start keeps some state of
    // where it was (the Amiga resampler's filter, for one), and a song played again
    // must sound exactly as the first time.
    void rewind() noexcept override;

    // libopenmpt's own position, which goes back to the restart point at the end.
    double positionMs() const noexcept override;

private:
    struct Destroy {
        void operator()(openmpt_module* module) const noexcept;
    };
    using Module = std::unique_ptr<openmpt_module, Destroy>;

    ModuleRenderer(std::vector<std::uint8_t> file, Module module, int mixRate)
        : m_file(std::move(file)), m_module(std::move(module)), m_mixRate(mixRate) {}

    // The module's length, title and type ("XM module"), as libopenmpt reads them.
    void describe();

    static Module load(const std::vector<std::uint8_t>& file) noexcept;

    std::vector<std::uint8_t> m_file;
    Module m_module;
    int m_mixRate;
    bool m_played = false; // rendered since opened
};

} // namespace pelgra::audio

#endif
