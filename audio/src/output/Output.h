// Where mixed frames go. Each output pulls blocks from the mixer on its own schedule:
// a device callback, a thread of the library, or the application's render calls.
#ifndef PELGRA_AUDIO_OUTPUT_H
#define PELGRA_AUDIO_OUTPUT_H

namespace pelgra::audio {

class Mixer;

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
};

// Frames per callback for real-time outputs: the power of two nearest above 10 ms.
int realTimeBufferFrames(int mixRate);

} // namespace pelgra::audio

#endif
