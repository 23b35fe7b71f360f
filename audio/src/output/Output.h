// Where mixed frames go. Each output pulls blocks from the mixer on its own schedule:
// a device callback, a thread of the library, or the application's render calls.
#ifndef PELGRA_AUDIO_OUTPUT_H
#define PELGRA_AUDIO_OUTPUT_H

#include <string>

namespace pelgra::audio {

class Mixer;

// Whether a device plays the mix, and how often it was lost and found again.
struct OutputState {
    bool connected = false;
    unsigned losses = 0;
    unsigned reopens = 0;
    std::string device; // the system's name for it; empty when none
};

class Output {
public:
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    virtual ~Output() = default;

    // Starts pulling frames from `mixer`, which must outlive stop(). False when the
    // output cannot run; nothing is left open then.
    virtual bool start(Mixer& mixer) = 0;
    // Stops pulling; no render call is in progress or starts after it returns.
    virtual void stop() noexcept = 0;
    // Frames asked for per callback (0 when the application decides).
    virtual int bufferFrames() const = 0;
    // What plays the mix; outputs without a device say so with the defaults.
    // Application side; never waits on the device.
    virtual OutputState state() const { return {}; }
};

// Frames per callback for real-time outputs: the power of two nearest above 10 ms.
int realTimeBufferFrames(int mixRate);

} // namespace pelgra::audio

#endif
