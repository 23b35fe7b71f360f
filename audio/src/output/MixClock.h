// Mixes in real time on a thread of the library, named "pelgra-mix", and discards the
// frames: the pace of the null output, and of the SDL output while it has no device.
#ifndef PELGRA_AUDIO_MIX_CLOCK_H
#define PELGRA_AUDIO_MIX_CLOCK_H

#include <atomic>
#include <thread>
#include <vector>

namespace pelgra::audio {

class Mixer;

class MixClock {
public:
    MixClock(int mixRate, int bufferFrames);
    ~MixClock() { stop(); }
    MixClock(const MixClock&) = delete;
    MixClock& operator=(const MixClock&) = delete;

    // Renders `bufferFrames` at a time, one block per block's duration, until stop();
    // a late wake-up is made up (up to 250 ms of it), so the mix keeps real time.
    // `mixer` must outlive stop(). False when no thread could be started. Application
    // side; never while it runs.
    bool start(Mixer& mixer);
    // Returns once no render is in progress or starts (after one block's time at most);
    // a render already done stays done, so the mix goes on from where the clock left
    // it. Application side.
    void stop() noexcept;

private:
    void run(Mixer& mixer);

    const int m_mixRate;
    const int m_bufferFrames;
    std::vector<float> m_buffer;
    // Only an atomic between the two sides: the thread that renders takes no lock.
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace pelgra::audio

#endif
