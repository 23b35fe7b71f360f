// The audio device, through SDL2 (which honours SDL_AUDIODRIVER). SDL's callback
// thread mixes straight into the device buffer.
#ifndef PELGRA_AUDIO_SDL_OUTPUT_H
#define PELGRA_AUDIO_SDL_OUTPUT_H

#include "output/AlsaErrorSilencer.h"
#include "output/Output.h"

#include <cstdint>
#include <optional>

namespace pelgra::audio {

class SdlOutput final : public Output {
public:
    explicit SdlOutput(int mixRate) : m_mixRate(mixRate) {}
    ~SdlOutput() override { stop(); }

    bool start(Mixer& mixer) override;
    void stop() noexcept override;
    int bufferFrames() const override { return m_bufferFrames; }

private:
    static void callback(void* self, std::uint8_t* stream, int bytes) noexcept;

    const int m_mixRate;
    int m_bufferFrames = 0;
    std::uint32_t m_device = 0;
    bool m_subsystemStarted = false;
    Mixer* m_mixer = nullptr;
    std::optional<AlsaErrorSilencer> m_alsaErrorSilencer;
};

} // namespace pelgra::audio

#endif
