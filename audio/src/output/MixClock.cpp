#include "output/MixClock.h"

#include "mixer/Mixer.h"
#include "platform/ThreadName.h"

#include <chrono>
#include <system_error>

namespace pelgra::audio {

MixClock::MixClock(int mixRate, int bufferFrames)
    : m_mixRate(mixRate), m_bufferFrames(bufferFrames),
      m_buffer(static_cast<std::size_t>(2 * bufferFrames)) {}

bool MixClock::start(Mixer& mixer) {
    m_stopping = false;
    try {
        m_thread = std::thread([this, &mixer] { run(mixer); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void MixClock::stop() noexcept {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    // Wakes the thread from its wait for the next block instead of letting it sleep it out.
    m_wake.notify_one();
    m_thread.join();
}

void MixClock::run(Mixer& mixer) {
    nameThisThread("pelgra-mix");
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_bufferFrames) / m_mixRate));
    auto deadline = Clock::now();
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        lock.unlock();
        mixer.render(m_buffer.data(), m_bufferFrames);
        deadline += period;
        const auto now = Clock::now();
        if (deadline < now - period) {
            deadline = now; // fell behind (the machine was busy): do not rush to catch up
        }
        lock.lock();
        m_wake.wait_until(lock, deadline, [this] { return m_stopping; });
    }
}

} // namespace pelgra::audio
