// The chunks of a Standard MIDI file: the header's fields and a walk over the chunks
// after it, every read checked against the end of the bytes. What a chunk holds is the
// reader's business; the audio library checks a file with this before FluidSynth sees
// it, and MidiFacts.h reads what the track chunks tell. Any thread.
#ifndef PELGRA_MIDI_CHUNKS_H
#define PELGRA_MIDI_CHUNKS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace pelgra::midi {

// A chunk's type and length, before its data.
constexpr std::size_t kChunkHeaderBytes = 8;
// The fields of the header chunk: format, tracks and division.
constexpr std::uint32_t kMinHeaderLength = 6;

// `count` bytes as one unsigned number, most significant first, as MIDI files store them.
inline std::uint32_t bigEndian(const std::uint8_t* bytes, int count) noexcept {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

struct MidiHeader {
    std::uint32_t length = 0;   // of the header chunk's data: 6, or more in a later revision
    std::uint32_t format = 0;   // 0 one track, 1 parallel tracks, 2 separate sequences
    std::uint32_t tracks = 0;   // track chunks the header counts
    std::uint32_t division = 0; // ticks a quarter note, or SMPTE timing with bit 15 set
};

// The header, when the bytes start with an "MThd" chunk holding its fields and lying
// wholly within them.
inline std::optional<MidiHeader> readMidiHeader(const std::uint8_t* bytes,
                                                std::size_t size) noexcept {
    if (size < kChunkHeaderBytes + kMinHeaderLength || std::memcmp(bytes, "MThd", 4) != 0) {
        return std::nullopt;
    }
    MidiHeader header;
    header.length = bigEndian(bytes + 4, 4);
    if (header.length < kMinHeaderLength || header.length > size - kChunkHeaderBytes) {
        return std::nullopt;
    }
    header.format = bigEndian(bytes + 8, 2);
    header.tracks = bigEndian(bytes + 10, 2);
    header.division = bigEndian(bytes + 12, 2);
    return header;
}

struct MidiChunk {
    const std::uint8_t* data = nullptr; // the chunk's data, after its type and length
    std::uint32_t length = 0;
    bool isTrack = false; // an "MTrk" chunk; readers skip chunks of other types
};

// The chunks after the header, in file order. The bytes must outlive the walk.
class MidiChunkWalk {
public:
    MidiChunkWalk(const std::uint8_t* bytes, std::size_t size, const MidiHeader& header) noexcept
        : m_bytes(bytes), m_size(size), m_at(kChunkHeaderBytes + header.length) {}

    // The next chunk; nothing at the end of the bytes or where they end inside a chunk.
    std::optional<MidiChunk> next() noexcept {
        if (m_at >= m_size || m_size - m_at < kChunkHeaderBytes) {
            m_cutShort = m_at < m_size;
            return std::nullopt;
        }
        const std::uint8_t* start = m_bytes + m_at;
        MidiChunk chunk;
        chunk.length = bigEndian(start + 4, 4);
        if (chunk.length > m_size - m_at - kChunkHeaderBytes) {
            m_cutShort = true;
            return std::nullopt;
        }
        chunk.data = start + kChunkHeaderBytes;
        chunk.isTrack = std::memcmp(start, "MTrk", 4) == 0;
        m_at += kChunkHeaderBytes + chunk.length;
        return chunk;
    }

    // True once next() met bytes that end inside a chunk (in its type and length, or in
    // its data) rather than after the last one.
    bool cutShort() const noexcept { return m_cutShort; }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::size_t m_at;
    bool m_cutShort = false;
};

} // namespace pelgra::midi

#endif
