// What a Standard MIDI file tells of itself without being played: its type, tracks,
// the channels that sound, its title and how long one pass lasts through its tempo map.
// The audio library reads these when it loads a MIDI song. Any thread; throws only for
// want of memory.
#ifndef PELGRA_MIDI_FACTS_H
#define PELGRA_MIDI_FACTS_H

#include "MidiChunks.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pelgra::midi {

struct MidiFacts {
    int type = 0;         // 0 one track, 1 parallel tracks, 2 separate sequences
    int tracks = 0;       // track chunks
    int channelsUsed = 0; // MIDI channels that play at least one note
    double seconds = 0.0; // from the start to the end of the longest track
    std::string title;    // the first track's name event; empty when it has none
};

namespace detail {

constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000; // 120 beats a minute
constexpr int kMetaEvent = 0xFF;
constexpr int kMetaTrackName = 0x03;
constexpr int kMetaTempo = 0x51;
constexpr int kSysEx = 0xF0;
constexpr int kSysExContinued = 0xF7;
constexpr int kNoteOn = 0x90;

// A cursor over a track chunk's events. A read past the chunk's end gives 0 and marks
// the track malformed.
class TrackReader {
public:
    explicit TrackReader(const MidiChunk& chunk) noexcept
        : m_at(chunk.data), m_end(chunk.data + chunk.length) {}

    bool atEnd() const noexcept { return m_at == m_end || m_malformed; }
    bool malformed() const noexcept { return m_malformed; }
    void fail() noexcept { m_malformed = true; }

    int byte() noexcept {
        if (m_at == m_end) {
            m_malformed = true;
            return 0;
        }
        return *m_at++;
    }
    std::uint32_t bigEndian(int count) noexcept {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 8) | static_cast<std::uint32_t>(byte());
        }
        return value;
    }
    // MIDI's variable-length quantity: seven bits a byte, high bit set on all but the last.
    std::uint32_t variableLength() noexcept {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int next = byte();
            value = (value << 7) | static_cast<std::uint32_t>(next & 0x7F);
            if ((next & 0x80) == 0) {
                return value;
            }
        }
        m_malformed = true;
        return 0;
    }
    // The next `count` bytes, skipped; null when they run past the end.
    const std::uint8_t* take(std::size_t count) noexcept {
        if (count > static_cast<std::size_t>(m_end - m_at)) {
            m_malformed = true;
            return nullptr;
        }
        const std::uint8_t* taken = m_at;
        m_at += count;
        return taken;
    }

private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
    bool m_malformed = false;
};

struct TrackScan {
    std::uint64_t endTick = 0;
    std::map<std::uint64_t, std::uint32_t> tempos; // tick -> microseconds per quarter
    std::bitset<16> channels;
    std::optional<std::string> title;
};

// False when the track is malformed.
inline bool scanTrack(TrackReader& track, bool first, TrackScan& scan) {
    std::uint64_t tick = 0;
    int runningStatus = 0;
    while (!track.atEnd()) {
        tick += track.variableLength();
        // A channel message's first data byte is read here, with its status byte or, under
        // running status, in place of it.
        int status = track.byte();
        if (status < 0x80) {
            if (runningStatus == 0) {
                return false;
            }
            status = runningStatus;
        } else if (status < kSysEx) {
            runningStatus = status;
            track.byte();
        } else {
            runningStatus = 0;
        }
        if (status == kMetaEvent) {
            const int type = track.byte();
            const std::uint32_t length = track.variableLength();
            if (type == kMetaTempo && length == 3) {
                scan.tempos[tick] = track.bigEndian(3);
            } else if (const std::uint8_t* text = track.take(length)) {
                if (type == kMetaTrackName && first && !scan.title) {
                    scan.title.emplace(reinterpret_cast<const char*>(text), length);
                }
            }
        } else if (status == kSysEx || status == kSysExContinued) {
            track.take(track.variableLength());
        } else if (status >= 0x80 && status < kSysEx) {
            const int kind = status & 0xF0;
            if (kind != 0xC0 && kind != 0xD0) { // program change and channel pressure: one
                const int velocity = track.byte();
                if (kind == kNoteOn && velocity > 0) {
                    scan.channels.set(static_cast<std::size_t>(status & 0x0F));
                }
            }
        } else {
            return false; // system common messages do not belong in a file
        }
    }
    scan.endTick = std::max(scan.endTick, tick);
    return !track.malformed();
}

inline double ticksToSeconds(std::uint64_t endTick, std::uint32_t division,
                             const std::map<std::uint64_t, std::uint32_t>& tempos) {
    if ((division & 0x8000) != 0) { // SMPTE: frames a second times ticks a frame
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        return static_cast<double>(endTick) / (framesPerSecond * static_cast<int>(division & 0xFF));
    }
    double seconds = 0.0;
    std::uint64_t tick = 0;
    std::uint32_t micros = kDefaultMicrosPerQuarter;
    for (const auto& [at, nextMicros] : tempos) {
        if (at >= endTick) {
            break;
        }
        seconds += static_cast<double>(at - tick) * micros / 1e6 / division;
        tick = at;
        micros = nextMicros;
    }
    return seconds + static_cast<double>(endTick - tick) * micros / 1e6 / division;
}

} // namespace detail

// Nothing when the bytes are not a Standard MIDI file of the first revision's header,
// are cut short inside a chunk, or hold a malformed track. Fewer tracks than the header
// counts are read as they are.
inline std::optional<MidiFacts> readMidiFacts(const std::uint8_t* bytes, std::size_t size) {
    const std::optional<MidiHeader> header = readMidiHeader(bytes, size);
    if (!header || header->length != kMinHeaderLength || header->division == 0) {
        return std::nullopt;
    }
    MidiFacts facts;
    facts.type = static_cast<int>(header->format);
    detail::TrackScan scan;
    MidiChunkWalk chunks(bytes, size, *header);
    while (static_cast<std::uint32_t>(facts.tracks) < header->tracks) {
        const std::optional<MidiChunk> chunk = chunks.next();
        if (!chunk) {
            if (chunks.cutShort()) {
                return std::nullopt;
            }
            break;
        }
        if (chunk->isTrack) {
            detail::TrackReader track(*chunk);
            if (!detail::scanTrack(track, facts.tracks == 0, scan)) {
                return std::nullopt;
            }
            ++facts.tracks;
        }
    }
    facts.channelsUsed = static_cast<int>(scan.channels.count());
    facts.seconds = detail::ticksToSeconds(scan.endTick, header->division, scan.tempos);
    facts.title = scan.title.value_or("");
    return facts;
}

} // namespace pelgra::midi

#endif
