#include "MidiFile.h"

#include "MidiChunks.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <map>

namespace pelgra::play {

namespace {

constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000; // 120 beats a minute
constexpr int kMetaEvent = 0xFF;
constexpr int kMetaTempo = 0x51;
constexpr int kSysEx = 0xF0;
constexpr int kSysExContinued = 0xF7;
constexpr int kNoteOn = 0x90;

struct Malformed {};

// A cursor over a track chunk's events that throws Malformed when a read goes past the
// chunk's end.
class Reader {
public:
    explicit Reader(const midi::MidiChunk& chunk)
        : m_at(chunk.data), m_end(chunk.data + chunk.length) {}

    bool atEnd() const { return m_at == m_end; }

    int byte() {
        if (m_at == m_end) {
            throw Malformed{};
        }
        return *m_at++;
    }
    std::uint32_t bigEndian(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 8) | static_cast<std::uint32_t>(byte());
        }
        return value;
    }
    // MIDI's variable-length quantity: seven bits a byte, high bit set on all but the last.
    std::uint32_t variableLength() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int next = byte();
            value = (value << 7) | static_cast<std::uint32_t>(next & 0x7F);
            if ((next & 0x80) == 0) {
                return value;
            }
        }
        throw Malformed{};
    }
    void skip(std::size_t count) {
        if (count > static_cast<std::size_t>(m_end - m_at)) {
            throw Malformed{};
        }
        m_at += count;
    }

private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
};

struct TrackScan {
    std::uint64_t endTick = 0;
    std::map<std::uint64_t, std::uint32_t> tempos; // tick -> microseconds per quarter
    std::bitset<16> channels;
};

void scanTrack(Reader& track, TrackScan& scan) {
    std::uint64_t tick = 0;
    int runningStatus = 0;
    while (!track.atEnd()) {
        tick += track.variableLength();
        // A channel message's first data byte is read here, with its status byte or, under
        // running status, in place of it.
        int status = track.byte();
        if (status < 0x80) {
            if (runningStatus == 0) {
                throw Malformed{};
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
            } else {
                track.skip(length);
            }
        } else if (status == kSysEx || status == kSysExContinued) {
            track.skip(track.variableLength());
        } else if (status >= 0x80 && status < kSysEx) {
            const int kind = status & 0xF0;
            if (kind != 0xC0 && kind != 0xD0) { // program change and channel pressure: one
                const int velocity = track.byte();
                if (kind == kNoteOn && velocity > 0) {
                    scan.channels.set(static_cast<std::size_t>(status & 0x0F));
                }
            }
        } else {
            throw Malformed{}; // system common messages do not belong in a file
        }
    }
    scan.endTick = std::max(scan.endTick, tick);
}

double ticksToSeconds(std::uint64_t endTick, int division,
                      const std::map<std::uint64_t, std::uint32_t>& tempos) {
    if ((division & 0x8000) != 0) { // SMPTE: frames a second times ticks a frame
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        return static_cast<double>(endTick) / (framesPerSecond * (division & 0xFF));
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

} // namespace

std::optional<MidiFacts> readMidiFacts(const std::string& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::optional<midi::MidiHeader> header = midi::readMidiHeader(data, bytes.size());
    // Only a header of the first revision's six bytes is read.
    if (!header || header->length != midi::kMinHeaderLength || header->division == 0) {
        return std::nullopt;
    }
    MidiFacts facts;
    facts.type = static_cast<int>(header->format);
    TrackScan scan;
    midi::MidiChunkWalk chunks(data, bytes.size(), *header);
    try {
        // Fewer tracks than the header counts are read as they are, but not a file that
        // ends inside a chunk.
        while (static_cast<std::uint32_t>(facts.tracks) < header->tracks) {
            const std::optional<midi::MidiChunk> chunk = chunks.next();
            if (!chunk) {
                if (chunks.cutShort()) {
                    return std::nullopt;
                }
                break;
            }
            if (chunk->isTrack) {
                Reader track(*chunk);
                scanTrack(track, scan);
                ++facts.tracks;
            }
        }
    } catch (const Malformed&) {
        return std::nullopt;
    }
    facts.channelsUsed = static_cast<int>(scan.channels.count());
    facts.seconds = ticksToSeconds(scan.endTick, static_cast<int>(header->division), scan.tempos);
    return facts;
}

} // namespace pelgra::play
