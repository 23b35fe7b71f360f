// A fixed-capacity queue between exactly one producer thread and one consumer thread,
// without locks or allocation after construction. Producers on several threads
// serialise among themselves before pushing; the consumer never waits for them.
#ifndef PELGRA_AUDIO_SPSC_RING_H
#define PELGRA_AUDIO_SPSC_RING_H

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace pelgra::audio {

template <typename T, std::size_t Capacity> class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "items are copied as plain bytes");
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    // Producer: false when the ring is full (nothing queued).
    bool push(const T& item) noexcept {
        const std::uint64_t head = m_head.load(std::memory_order_relaxed);
        if (head - m_tailSeenByProducer == Capacity) {
            m_tailSeenByProducer = m_tail.load(std::memory_order_acquire);
            if (head - m_tailSeenByProducer == Capacity) {
                return false;
            }
        }
        m_items[head & (Capacity - 1)] = item;
        m_head.store(head + 1, std::memory_order_release);
        return true;
    }

    // Producer: how many items were ever pushed.
    std::uint64_t pushed() const noexcept { return m_head.load(std::memory_order_relaxed); }

    // Consumer: how many items are queued now; a consumer that pops no more than this
    // is not held up by a producer that keeps pushing.
    std::uint64_t queued() const noexcept {
        return m_head.load(std::memory_order_acquire) - m_tail.load(std::memory_order_relaxed);
    }

    // Consumer: false when the ring is empty.
    bool pop(T& item) noexcept {
        const std::uint64_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_headSeenByConsumer) {
            m_headSeenByConsumer = m_head.load(std::memory_order_acquire);
            if (tail == m_headSeenByConsumer) {
                return false;
            }
        }
        item = m_items[tail & (Capacity - 1)];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    alignas(64) std::atomic<std::uint64_t> m_head{0};
    std::uint64_t m_tailSeenByProducer = 0;
    alignas(64) std::atomic<std::uint64_t> m_tail{0};
    std::uint64_t m_headSeenByConsumer = 0;
    alignas(64) std::array<T, Capacity> m_items{};
};

} // namespace pelgra::audio

#endif
