// Tells the application threads of the soak test whether the library ran throughout a
// call of theirs. The start-and-stop thread counts up once after each start and once
// before each close: an odd value means running. A call that saw the same odd value
// before and after it ran wholly inside one run of the library.
#ifndef PELGRA_SOAK_RUN_EPOCH_H
#define PELGRA_SOAK_RUN_EPOCH_H

#include <atomic>
#include <cstdint>

namespace soak {

class RunEpoch {
public:
    std::uint64_t now() const { return m_value.load(std::memory_order_seq_cst); }
    void started() { m_value.fetch_add(1, std::memory_order_seq_cst); }
    void closing() { m_value.fetch_add(1, std::memory_order_seq_cst); }

    static bool running(std::uint64_t epoch) { return epoch % 2 == 1; }

    // True when a close has finished since the epoch `seen`, read after a handle was
    // returned: the handle must be stale by now.
    static bool closedSince(std::uint64_t seen, std::uint64_t now) {
        // Seen odd: the handle is of the run counted by seen, or an earlier one; that run's
        // close begins at seen + 1 and is over by seen + 2. Seen even: the handle may be of
        // the run started after the close that had begun, counted only at seen + 1; its
        // close is over by seen + 3.
        return now >= seen + (running(seen) ? 2 : 3);
    }

private:
    std::atomic<std::uint64_t> m_value{0};
};

} // namespace soak

#endif
