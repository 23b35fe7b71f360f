#include "output/SdlOutput.h"

#include "output/AlsaErrorSilencer.h"

#include <SDL.h>

#include <chrono>
#include <system_error>

namespace pelgra::audio {
namespace {

// What FSOUND_Close waits for a device's close at most: with the rest of the close well
// within the 1.5 s the header promises.
constexpr auto kCloseWait = std::chrono::milliseconds(1000);

} // namespace

bool SdlOutput::start(Mixer& mixer) {
    m_alsaErrorSilencer.emplace();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        stop();
        return false;
    }
    m_subsystemStarted = true;
    OpenedDevice device = openDefaultDevice(m_mixRate, realTimeBufferFrames(m_mixRate));
    if (device.id == 0) {
        stop();
        return false;
    }
    const std::uint32_t id = device.id;
    m_bufferFrames = device.bufferFrames;
    device.link->grant(mixer);
    m_watch =
        std::make_shared<DeviceWatch>(mixer, m_mixRate, std::move(device), defaultDeviceName());
    try {
        m_watcher = std::thread([watch = m_watch] { watch->run(); });
    } catch (const std::system_error&) {
        // Still paused, so no callback has run: closed before its link goes.
        SDL_CloseAudioDevice(id);
        m_watch.reset();
        stop();
        return false;
    }
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void SdlOutput::stop() noexcept {
    bool subsystemInUse = false;
    if (m_watch) {
        if (m_watch->stop(kCloseWait)) {
            m_watcher.join();
        } else {
            // Stuck inside SDL on a sound server that does not answer: the thread keeps
            // the watch and ends when SDL returns, if ever. SDL must stay up for it.
            m_watcher.detach();
            subsystemInUse = true;
        }
        m_watch.reset();
    }
    if (m_subsystemStarted) {
        if (!subsystemInUse) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        m_subsystemStarted = false;
    }
    m_alsaErrorSilencer.reset();
}

OutputState SdlOutput::state() const {
    return m_watch ? m_watch->state() : OutputState{};
}

} // namespace pelgra::audio
