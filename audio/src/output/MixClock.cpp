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
    m_running = true;
    try {
        m_thread = std::thread([this, &mixer] { run(mixer); });
    } catch (const std::system_error&) {
        m_running = false;
        return false;
    }
    return true;
}

void MixClock::stop() noexcept {
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void MixClock::run(Mixer& mixer) {
    nameThisThread("pelgra-mix");
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(m_bufferFrames) / m_mixRate));
    // A wake-up late by less than this is made up with blocks rendered back to back, so a
    // busy machine's scheduling delays do not slow the mix's clock (songs, streams and
    // sounds' positions keep real time, as on a device). A longer stall (a suspended
    // machine, a debugger) is not replayed at speed: the clock goes on from now.
    constexpr auto kMostCaughtUp = std::chrono::milliseconds(250);
    auto deadline = Clock::now();
    while (m_running.load(std::memory_order_relaxed)) {
        mixer.render(m_buffer.data(), m_bufferFrames);
        deadline += period;
        const auto now = Clock::now();
        if (deadline < now - kMostCaughtUp) {
            deadline = now;
        }
        std::this_thread::sleep_until(deadline);
    }
}

} // namespace pelgra::audio
