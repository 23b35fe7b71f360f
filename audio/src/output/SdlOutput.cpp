#include "output/SdlOutput.h"

#include "mixer/Mixer.h"
#include "output/AlsaErrorSilencer.h"

#include <SDL.h>

namespace pelgra::audio {

bool SdlOutput::start(Mixer& mixer) {
    m_alsaErrorSilencer.emplace();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    m_subsystemStarted = true;
    m_mixer = &mixer;

    SDL_AudioSpec wanted{};
    wanted.freq = m_mixRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(realTimeBufferFrames(m_mixRate));
    wanted.callback = callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device takes.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        stop();
        return false;
    }
    m_bufferFrames = obtained.samples;
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlOutput::stop() noexcept {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device); // waits for a callback in progress
        m_device = 0;
    }
    if (m_subsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemStarted = false;
    }
    m_alsaErrorSilencer.reset();
}

void SdlOutput::callback(void* self, std::uint8_t* stream, int bytes) noexcept {
    auto* output = static_cast<SdlOutput*>(self);
    // The device was opened for float frames: SDL hands their buffer over as bytes.
    output->m_mixer->render(static_cast<float*>(static_cast<void*>(stream)),
                            bytes / static_cast<int>(2 * sizeof(float)));
}

} // namespace pelgra::audio
