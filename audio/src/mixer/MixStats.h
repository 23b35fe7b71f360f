// Figures about the mixing that the audio thread keeps and any thread may read.
#ifndef PELGRA_AUDIO_MIX_STATS_H
#define PELGRA_AUDIO_MIX_STATS_H

#include <atomic>
#include <chrono>
#include <cstdint>

namespace pelgra::audio {

struct MixStatsSnapshot {
    std::uint64_t framesMixed = 0;
    std::uint64_t callbacks = 0;
    std::uint32_t longestCallbackMicros = 0;
    std::uint32_t longestGapMicros = 0;
    std::uint32_t longestCallbackCpuMicros = 0;
    int voicesInUse = 0;
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
    // The limiter's deepest gain reduction in the last callback, 0 when none.
    float gainReductionDb = 0.0f;
};

// The CPU time the calling thread has used, in nanoseconds; 0 where the system does not
// tell.
std::uint64_t threadCpuNanos() noexcept;

// Counters are updated with atomic read-modify-writes, so a reset from an application
// thread is never undone by an update in flight; at worst one callback's figures
// count before the reset instead of after it.
class MixStats {
public:
    using Clock = std::chrono::steady_clock;

    // Audio thread, once per callback.
    void recordCallback(Clock::time_point start, Clock::time_point end, int frames, float peakLeft,
                        float peakRight) noexcept;
    void recordCallbackCpu(std::uint64_t nanos) noexcept;
    void recordVoicesInUse(int voices) noexcept {
        m_voicesInUse.store(voices, std::memory_order_relaxed);
    }
    void recordLowestGain(float gain) noexcept {
        m_lowestGain.store(gain, std::memory_order_relaxed);
    }

    // Any thread.
    MixStatsSnapshot snapshot() const;
    void reset();

private:
    static void raiseTo(std::atomic<std::uint32_t>& longest, std::uint32_t value) noexcept;

    std::atomic<std::uint64_t> m_framesMixed{0};
    std::atomic<std::uint64_t> m_callbacks{0};
    std::atomic<std::uint32_t> m_longestCallbackMicros{0};
    std::atomic<std::uint32_t> m_longestGapMicros{0};
    std::atomic<std::uint32_t> m_longestCallbackCpuMicros{0};
    std::atomic<int> m_voicesInUse{0};
    std::atomic<float> m_peakLeft{0.0f};
    std::atomic<float> m_peakRight{0.0f};
    std::atomic<float> m_lowestGain{1.0f};
    // The start of the previous callback; zero after a reset, so that no gap spans it.
    std::atomic<Clock::rep> m_previousStart{0};
};

} // namespace pelgra::audio

#endif
