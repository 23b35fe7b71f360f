// Mixes in real time on a thread of the library, named "pelgra-mix", and discards the
// frames: for machines without a sound device, and for measuring.
#ifndef PELGRA_AUDIO_NULL_OUTPUT_H
#define PELGRA_AUDIO_NULL_OUTPUT_H

#include "output/Output.h"

#include <atomic>
#include <thread>
#include <vector>

namespace pelgra::audio {

class NullOutput final : public Output {
public:
    explicit NullOutput(int mixRate);
    ~NullOutput() override { stop(); }

    bool start(Mixer& mixer) override;
    void stop() noexcept override;
    int bufferFrames() const override { return m_bufferFrames; }

private:
    void run(Mixer& mixer);

    const int m_mixRate;
    const int m_bufferFrames;
    std::vector<float> m_buffer;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace pelgra::audio

#endif
