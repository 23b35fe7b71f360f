// Keeps the SDL output's mix going when its device goes, on a thread of the library
// named "pelgra-device". Every half second it looks at the device: stopped by SDL (the
// sound server went, the device was unplugged), or no callback started since the last
// look, and it is lost. Then the mix goes on on the library's own clock at the mixing
// rate, the device is closed, and the system's default device is opened again every
// half second with the same format until one opens; the device then takes over from the
// clock. Only a timer sees a device whose callbacks stopped (a sound server that froze),
// so the thread wakes twice a second, even while nothing plays.
// The mixer changes hands under the watch's lock, and only after the previous renderer
// has stopped, so no two threads ever render it at once.
//
// Opening and closing a device can wait long on a sound server that does not answer:
// only the watcher's thread does it, once the device has been opened. The watch is
// shared between the output and that thread, so that the thread can be left behind
// inside SDL when the output stops.
#ifndef PELGRA_AUDIO_DEVICE_WATCH_H
#define PELGRA_AUDIO_DEVICE_WATCH_H

#include "output/DeviceLink.h"
#include "output/MixClock.h"
#include "output/Output.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace pelgra::audio {

// An SDL device opened paused, with the link its callback reads (no mixer granted yet).
struct OpenedDevice {
    std::uint32_t id = 0;
    std::unique_ptr<DeviceLink> link;
    int bufferFrames = 0;
};

// Opens the system's default device for stereo float frames at `mixRate`, `bufferFrames`
// per callback; id 0 when it cannot. May wait on the sound server.
OpenedDevice openDefaultDevice(int mixRate, int bufferFrames);
// The default device's name as the system gives it; empty when it gives none.
std::string defaultDeviceName();

class DeviceWatch {
public:
    // Watches `device`, already playing from `mixer` (which must outlive stop()).
    DeviceWatch(Mixer& mixer, int mixRate, OpenedDevice device, std::string name);

    // The watcher thread's body; returns after stop(), once its device is closed.
    void run();
    // Takes the mixer from every renderer at once, then waits up to `wait` for the
    // thread to close its device. True when it did; false when the thread is still
    // inside SDL (the output then leaves it behind: it holds the watch).
    bool stop(std::chrono::milliseconds wait) noexcept;
    OutputState state() const;

private:
    using Clock = std::chrono::steady_clock;
    // Both with the lock held; they let go of it for SDL's calls. checkDevice closes
    // the device when it is lost, tryReopen opens the default one when it can.
    void checkDevice(std::unique_lock<std::mutex>& lock);
    void tryReopen(std::unique_lock<std::mutex>& lock);

    const int m_mixRate;
    const int m_bufferFrames;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finishedChanged;
    bool m_stopping = false;
    bool m_finished = false;
    // Null once stopped: nothing renders it after that.
    Mixer* m_mixer;
    // Renders while no device does.
    MixClock m_clock;
    OutputState m_state;
    // The device the watcher holds; only its thread changes them after the start.
    std::uint32_t m_device;
    std::unique_ptr<DeviceLink> m_link;
    // m_link while it is granted the mixer.
    DeviceLink* m_grantedLink;
    // The watcher's bookkeeping: the callback count last seen, when it last changed and
    // when to look at the default device's name again.
    std::uint32_t m_lastCallbacks = 0;
    Clock::time_point m_lastProgress;
    Clock::time_point m_nextNameLook;
};

} // namespace pelgra::audio

#endif
