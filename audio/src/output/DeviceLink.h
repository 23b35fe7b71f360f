// What an SDL device's callback reads, one per opened device. It lives on the heap
// apart from the output, so that a device whose close never returns (a frozen sound
// server) can be left behind while its callback may still run: revoked, the callback
// writes silence and reads nothing the library frees.
#ifndef PELGRA_AUDIO_DEVICE_LINK_H
#define PELGRA_AUDIO_DEVICE_LINK_H

#include <atomic>
#include <cstdint>

namespace pelgra::audio {

class Mixer;

class DeviceLink {
public:
    // SDL's audio callback, with the link as its user data. Audio side: takes no lock,
    // allocates nothing.
    static void callback(void* link, std::uint8_t* stream, int bytes) noexcept;

    // Lets the callbacks mix from `mixer`; only while nothing else renders it.
    // Application side.
    void grant(Mixer& mixer) noexcept { m_mixer.store(&mixer, std::memory_order_seq_cst); }
    // Returns once no callback renders the mixer or will; later ones write silence.
    // Waits at most for the end of one callback's mix. Application side.
    void revoke() noexcept;
    // Counts callback starts, granted or not: the watcher's sign that the device runs.
    std::uint32_t callbacksStarted() const noexcept {
        return m_callbacksStarted.load(std::memory_order_relaxed);
    }

private:
    std::atomic<Mixer*> m_mixer{nullptr};
    std::atomic<bool> m_rendering{false};
    std::atomic<std::uint32_t> m_callbacksStarted{0};
};

} // namespace pelgra::audio

#endif
