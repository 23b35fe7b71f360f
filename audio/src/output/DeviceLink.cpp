#include "output/DeviceLink.h"

#include "mixer/Mixer.h"

#include <cstring>
#include <thread>

namespace pelgra::audio {

void DeviceLink::callback(void* link, std::uint8_t* stream, int bytes) noexcept {
    auto* self = static_cast<DeviceLink*>(link);
    self->m_callbacksStarted.fetch_add(1, std::memory_order_relaxed);
    // Sequentially consistent on both sides: either revoke() sees this callback
    // rendering, or this callback sees the mixer revoked.
    self->m_rendering.store(true, std::memory_order_seq_cst);
    Mixer* mixer = self->m_mixer.load(std::memory_order_seq_cst);
    if (mixer != nullptr) {
        // The device was opened for float frames: SDL hands their buffer over as bytes.
        mixer->render(static_cast<float*>(static_cast<void*>(stream)),
                      bytes / static_cast<int>(2 * sizeof(float)));
    } else {
        std::memset(stream, 0, static_cast<std::size_t>(bytes));
    }
    self->m_rendering.store(false, std::memory_order_seq_cst);
}

void DeviceLink::revoke() noexcept {
    m_mixer.store(nullptr, std::memory_order_seq_cst);
    while (m_rendering.load(std::memory_order_seq_cst)) {
        std::this_thread::yield();
    }
}

} // namespace pelgra::audio
