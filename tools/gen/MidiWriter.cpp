#include "MidiWriter.h"

#include <algorithm>
#include <stdexcept>

namespace pelgra::gen {
namespace {

constexpr int kSetUpRank = 0;
constexpr int kNoteOffRank = 1;
constexpr int kNoteOnRank = 2;

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A variable-length quantity: seven bits a byte, most significant first.
void putVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void check(bool condition, const char* what) {
    if (!condition) {
        throw std::out_of_range(what);
    }
}

} // namespace

MidiWriter::MidiWriter(int ticksPerQuarter) : m_ticksPerQuarter(ticksPerQuarter) {
    check(ticksPerQuarter > 0 && ticksPerQuarter < 0x8000, "ticks per quarter note");
}

void MidiWriter::setTempo(int microsPerQuarter) {
    check(microsPerQuarter > 0 && microsPerQuarter < (1 << 24), "tempo");
    std::vector<std::uint8_t> bytes = {0xFF, 0x51, 0x03};
    putBigEndian(bytes, static_cast<std::uint32_t>(microsPerQuarter), 3);
    m_events.push_back({0, kSetUpRank, std::move(bytes)});
}

void MidiWriter::setProgram(int channel, int program) {
    check(channel >= 0 && channel < 16 && program >= 0 && program < 128, "program change");
    m_events.push_back(
        {0,
         kSetUpRank,
         {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program)}});
}

void MidiWriter::addNote(int channel, int key, int velocity, int startTick, int lengthTicks) {
    check(channel >= 0 && channel < 16 && key >= 0 && key < 128, "note");
    check(velocity > 0 && velocity < 128 && startTick >= 0 && lengthTicks > 0, "note timing");
    const auto status = static_cast<std::uint8_t>(channel);
    const auto keyByte = static_cast<std::uint8_t>(key);
    m_events.push_back(
        {startTick,
         kNoteOnRank,
         {static_cast<std::uint8_t>(0x90 | status), keyByte, static_cast<std::uint8_t>(velocity)}});
    m_events.push_back({startTick + lengthTicks,
                        kNoteOffRank,
                        {static_cast<std::uint8_t>(0x80 | status), keyByte, 0x40}});
}

std::vector<std::uint8_t> MidiWriter::build() const {
    std::vector<Event> events = m_events;
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.rank < b.rank;
    });

    std::vector<std::uint8_t> track;
    int tick = 0;
    for (const Event& event : events) {
        putVariableLength(track, static_cast<std::uint32_t>(event.tick - tick));
        track.insert(track.end(), event.bytes.begin(), event.bytes.end());
        tick = event.tick;
    }
    const std::uint8_t endOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};
    track.insert(track.end(), std::begin(endOfTrack), std::end(endOfTrack));

    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    putBigEndian(out, 6, 4);
    putBigEndian(out, 0, 2); // format 0
    putBigEndian(out, 1, 2); // one track
    putBigEndian(out, static_cast<std::uint32_t>(m_ticksPerQuarter), 2);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    putBigEndian(out, static_cast<std::uint32_t>(track.size()), 4);
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

} // namespace pelgra::gen
