// A fixed ring of stereo float frames between one producer (the song worker) and one
// consumer (the audio thread). Positions count frames from the ring's creation and do
// not wrap in practice (64 bits); the slot of a position is found by masking.
#ifndef PELGRA_AUDIO_FRAME_RING_H
#define PELGRA_AUDIO_FRAME_RING_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelgra::audio {

class FrameRing {
public:
    // Room for at least `minimumFrames` frames (rounded up to a power of two).
    explicit FrameRing(std::size_t minimumFrames) {
        std::size_t frames = 1;
        while (frames < minimumFrames) {
            frames <<= 1;
        }
        m_samples.assign(2 * frames, 0.0f);
        m_mask = frames - 1;
    }

    std::size_t capacity() const noexcept { return m_mask + 1; }

    // The frame at a position: two floats, left then right.
    float* frame(std::uint64_t position) noexcept { return &m_samples[2 * (position & m_mask)]; }

    // Frames from a position up to the end of the storage, where the ring wraps.
    std::size_t contiguousFrom(std::uint64_t position) const noexcept {
        return capacity() - static_cast<std::size_t>(position & m_mask);
    }

    // The consumer's next frame; the producer may overwrite everything before it.
    std::uint64_t readPosition() const noexcept { return m_read.load(std::memory_order_acquire); }
    void publishRead(std::uint64_t position) noexcept {
        m_read.store(position, std::memory_order_release);
    }

    // The producer's next frame; the consumer may read everything before it.
    std::uint64_t writePosition() const noexcept { return m_write.load(std::memory_order_acquire); }
    void publishWrite(std::uint64_t position) noexcept {
        m_write.store(position, std::memory_order_release);
    }

private:
    std::vector<float> m_samples;
    std::size_t m_mask = 0;
    alignas(64) std::atomic<std::uint64_t> m_read{0};
    alignas(64) std::atomic<std::uint64_t> m_write{0};
};

} // namespace pelgra::audio

#endif
