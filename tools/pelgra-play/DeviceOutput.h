// The mix played on the sound device in real time.
#ifndef PELGRA_PLAY_DEVICE_OUTPUT_H
#define PELGRA_PLAY_DEVICE_OUTPUT_H

#include "EngineSession.h"
#include "Output.h"

namespace pelgra::play {

// The audio device, through the output the environment chooses (SDL by default).
class DeviceOutput final : public Output {
public:
    // Throws DeviceUnavailable when the device cannot be opened.
    DeviceOutput(int rate, int voices);

    long long advance(long long frames) override; // sleeps, then reports the time passed
    void drain() override;

private:
    EngineSession m_engine;
};

} // namespace pelgra::play

#endif
