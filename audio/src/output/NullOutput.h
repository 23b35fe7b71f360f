// Mixes in real time on a thread of the library and discards the frames: for machines
// without a sound device, and for measuring.
#ifndef PELGRA_AUDIO_NULL_OUTPUT_H
#define PELGRA_AUDIO_NULL_OUTPUT_H

#include "output/MixClock.h"
#include "output/Output.h"

namespace pelgra::audio {

class NullOutput final : public Output {
public:
    explicit NullOutput(int mixRate)
        : m_bufferFrames(realTimeBufferFrames(mixRate)), m_clock(mixRate, m_bufferFrames) {}
    ~NullOutput() override { stop(); }

    bool start(Mixer& mixer) override { return m_clock.start(mixer); }
    void stop() noexcept override { m_clock.stop(); }
    int bufferFrames() const override { return m_bufferFrames; }

private:
    const int m_bufferFrames;
    MixClock m_clock;
};

} // namespace pelgra::audio

#endif
