// The audio device, through SDL2 (which honours SDL_AUDIODRIVER). SDL's callback
// thread mixes straight into the device buffer; a watch of the library keeps the mix
// going when the device goes, and hands it to the default device when one opens again.
#ifndef PELGRA_AUDIO_SDL_OUTPUT_H
#define PELGRA_AUDIO_SDL_OUTPUT_H

#include "output/AlsaErrorSilencer.h"
#include "output/DeviceWatch.h"
#include "output/Output.h"

#include <memory>
#include <optional>
#include <thread>

namespace pelgra::audio {

class SdlOutput final : public Output {
public:
    explicit SdlOutput(int mixRate) : m_mixRate(mixRate) {}
    ~SdlOutput() override { stop(); }

    // Opens the default device on the calling thread: fails at once when there is none.
    bool start(Mixer& mixer) override;
    // Returns within about a second even when the sound server does not answer: a
    // device whose close has not returned by then is left behind, its callback writing
    // silence, and SDL's audio subsystem stays initialised for it.
    void stop() noexcept override;
    int bufferFrames() const override { return m_bufferFrames; }
    OutputState state() const override;

private:
    const int m_mixRate;
    int m_bufferFrames = 0;
    bool m_subsystemStarted = false;
    std::shared_ptr<DeviceWatch> m_watch;
    std::thread m_watcher;
    std::optional<AlsaErrorSilencer> m_alsaErrorSilencer;
};

} // namespace pelgra::audio

#endif
