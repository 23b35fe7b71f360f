#include "mixer/MixStats.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace pelgra::audio {

namespace {
std::uint32_t toMicros(MixStats::Clock::duration duration) noexcept {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(duration).count();
    return static_cast<std::uint32_t>(
        std::clamp<long long>(micros, 0, std::numeric_limits<std::uint32_t>::max()));
}
} // namespace

std::uint64_t threadCpuNanos() noexcept {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) == 0) {
        return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
               static_cast<std::uint64_t>(now.tv_nsec);
    }
#endif
    return 0;
}

void MixStats::recordCallbackCpu(std::uint64_t nanos) noexcept {
    raiseTo(m_longestCallbackCpuMicros,
            static_cast<std::uint32_t>(
                std::min<std::uint64_t>(nanos / 1000, std::numeric_limits<std::uint32_t>::max())));
}

void MixStats::raiseTo(std::atomic<std::uint32_t>& longest, std::uint32_t value) noexcept {
    std::uint32_t seen = longest.load(std::memory_order_relaxed);
    while (value > seen && !longest.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
    }
}

void MixStats::recordCallback(Clock::time_point start, Clock::time_point end, int frames,
                              float peakLeft, float peakRight) noexcept {
    m_framesMixed.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_relaxed);
    m_callbacks.fetch_add(1, std::memory_order_relaxed);
    raiseTo(m_longestCallbackMicros, toMicros(end - start));
    const Clock::rep previous =
        m_previousStart.exchange(start.time_since_epoch().count(), std::memory_order_relaxed);
    if (previous != 0) {
        raiseTo(m_longestGapMicros, toMicros(start - Clock::time_point(Clock::duration(previous))));
    }
    m_peakLeft.store(peakLeft, std::memory_order_relaxed);
    m_peakRight.store(peakRight, std::memory_order_relaxed);
}

MixStatsSnapshot MixStats::snapshot() const {
    MixStatsSnapshot snapshot;
    snapshot.framesMixed = m_framesMixed.load(std::memory_order_relaxed);
    snapshot.callbacks = m_callbacks.load(std::memory_order_relaxed);
    snapshot.longestCallbackMicros = m_longestCallbackMicros.load(std::memory_order_relaxed);
    snapshot.longestGapMicros = m_longestGapMicros.load(std::memory_order_relaxed);
    snapshot.longestCallbackCpuMicros = m_longestCallbackCpuMicros.load(std::memory_order_relaxed);
    snapshot.voicesInUse = m_voicesInUse.load(std::memory_order_relaxed);
    snapshot.peakLeft = m_peakLeft.load(std::memory_order_relaxed);
    snapshot.peakRight = m_peakRight.load(std::memory_order_relaxed);
    snapshot.gainReductionDb =
        20.0f * std::log10(1.0f / m_lowestGain.load(std::memory_order_relaxed));
    return snapshot;
}

void MixStats::reset() {
    m_framesMixed.store(0, std::memory_order_relaxed);
    m_callbacks.store(0, std::memory_order_relaxed);
    m_longestCallbackMicros.store(0, std::memory_order_relaxed);
    m_longestGapMicros.store(0, std::memory_order_relaxed);
    m_longestCallbackCpuMicros.store(0, std::memory_order_relaxed);
    m_previousStart.store(0, std::memory_order_relaxed);
}

} // namespace pelgra::audio
