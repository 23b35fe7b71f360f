// Where in its file each frame of a song's ring stands, in milliseconds: the worker
// notes it as it renders, and any thread reads it for the frame the audio thread mixed
// last, so that a song's position costs the audio thread nothing. Kept per cell of
// kCellFrames ring frames, each cell one atomic word holding the time of the cell's
// first frame (to the millisecond) and the ring lap it belongs to; frames within a cell
// follow at the mixing rate. A loop that wraps inside one render is placed as if it had
// not wrapped, past the loop's end, for the song to fold back.
#ifndef PELGRA_AUDIO_POSITION_TABLE_H
#define PELGRA_AUDIO_POSITION_TABLE_H

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pelgra::audio {

class PositionTable {
public:
    static constexpr std::uint64_t kCellFrames = 256;

    // For a ring of `ringFrames` frames (a power of two, a multiple of kCellFrames).
    PositionTable(std::size_t ringFrames, int mixRate)
        : m_cells(ringFrames / kCellFrames), m_ringFrames(ringFrames),
          m_msPerFrame(1000.0 / mixRate) {}

    // Worker only: the `frames` frames from ring position `from` start at `ms` into the file.
    void note(std::uint64_t from, std::uint64_t frames, double ms) noexcept {
        for (std::uint64_t cell = from / kCellFrames; cell * kCellFrames < from + frames; ++cell) {
            const std::uint64_t first = cell * kCellFrames;
            const double atFirst =
                ms + (static_cast<double>(first) - static_cast<double>(from)) * m_msPerFrame;
            const auto lap = static_cast<std::uint32_t>(first / m_ringFrames);
            const auto value =
                static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(atFirst)));
            m_cells[cell % m_cells.size()].store((std::uint64_t{lap} << 32) | value,
                                                 std::memory_order_release);
        }
    }

    // Any thread: the time of the frame at ring position `at`, in ms; nothing when the
    // worker has noted that cell for another lap of the ring since.
    std::optional<double> msAt(std::uint64_t at) const noexcept {
        const std::uint64_t cell = at / kCellFrames;
        const std::uint64_t word = m_cells[cell % m_cells.size()].load(std::memory_order_acquire);
        if (static_cast<std::uint32_t>(word >> 32) !=
            static_cast<std::uint32_t>(at / m_ringFrames)) {
            return std::nullopt;
        }
        const auto atFirst = static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
        return atFirst + static_cast<double>(at - cell * kCellFrames) * m_msPerFrame;
    }

private:
    std::vector<std::atomic<std::uint64_t>> m_cells;
    std::uint64_t m_ringFrames;
    double m_msPerFrame;
};

} // namespace pelgra::audio

#endif
