#include "ManyChannelModule.h"

#include <string>

namespace {

constexpr int kRows = 64;
constexpr int kPatterns = 4;
constexpr int kCycle = 32; // a 32-sample cycle at the C-4 rate of 8363 Hz is C-4
constexpr int kInstruments = 2;

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, static_cast<int>(value & 0xffffu));
    put16(out, static_cast<int>(value >> 16));
}

void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

void putZeros(std::vector<std::uint8_t>& out, std::size_t count) {
    out.insert(out.end(), count, 0);
}

// A chord spread over the channels, each channel on its own note of the pattern's
// chord, retriggered every fourth row on alternating instruments.
std::vector<std::uint8_t> pattern(int index, int channels) {
    static constexpr int kChords[kPatterns][4] = {
        {0, 4, 7, 11}, {5, 9, 12, 16}, {7, 11, 14, 17}, {-3, 0, 4, 7}};
    std::vector<std::uint8_t> cells;
    for (int row = 0; row < kRows; ++row) {
        for (int channel = 0; channel < channels; ++channel) {
            if ((row + channel) % 4 != 0) {
                cells.push_back(0x80); // an empty cell
                continue;
            }
            const int octave = 2 + channel % 4;
            const int note = 1 + 12 * octave + kChords[index][channel % 4];
            cells.push_back(0x80 | 0x01 | 0x02 | 0x04); // note, instrument, volume
            cells.push_back(static_cast<std::uint8_t>(note));
            cells.push_back(static_cast<std::uint8_t>(1 + (row / 4 + channel) % kInstruments));
            cells.push_back(0x10 + 16); // volume 16 of 64: 26 channels sum below full scale
        }
    }
    std::vector<std::uint8_t> out;
    put32(out, 9);    // the pattern header's length
    out.push_back(0); // packing type
    put16(out, kRows);
    put16(out, static_cast<int>(cells.size()));
    out.insert(out.end(), cells.begin(), cells.end());
    return out;
}

// One looped single-cycle 8-bit sample, square or saw, stored as deltas.
std::vector<std::uint8_t> instrument(int index) {
    std::vector<std::uint8_t> out;
    put32(out, 243); // the instrument header's length, sample header size included
    putText(out, index == 0 ? "square" : "saw", 22);
    out.push_back(0);            // type
    put16(out, 1);               // one sample
    put32(out, 40);              // the sample header's length
    putZeros(out, 96 + 48 + 48); // keymap, envelopes
    putZeros(out, 14);           // envelope counts and flags, vibrato
    put16(out, 0x200);           // fadeout
    put16(out, 0);               // reserved
    put32(out, kCycle);          // sample length
    put32(out, 0);               // loop start
    put32(out, kCycle);          // loop length
    out.push_back(64);           // volume
    out.push_back(0);            // finetune
    out.push_back(1);            // forward loop, 8-bit
    out.push_back(128);          // panning: centre
    out.push_back(0);            // relative note
    out.push_back(0);            // reserved
    putText(out, "", 22);
    int previous = 0;
    for (int i = 0; i < kCycle; ++i) {
        const int value = index == 0 ? (i < kCycle / 2 ? 80 : -80) : (i * 160 / kCycle - 80);
        out.push_back(static_cast<std::uint8_t>((value - previous) & 0xff));
        previous = value;
    }
    return out;
}

} // namespace

std::vector<std::uint8_t> makeManyChannelModule(int channels) {
    std::vector<std::uint8_t> out;
    putText(out, "Extended Module: ", 17);
    putText(out, "many channels", 20);
    out.push_back(0x1a);
    putText(out, "pelgra bench", 20);
    put16(out, 0x0104);    // format version
    put32(out, 276);       // the header's length from here
    put16(out, kPatterns); // song length in orders
    put16(out, 0);         // restart position
    put16(out, channels);
    put16(out, kPatterns);
    put16(out, kInstruments);
    put16(out, 1);   // linear frequencies
    put16(out, 6);   // ticks per row
    put16(out, 125); // beats per minute
    for (int order = 0; order < 256; ++order) {
        out.push_back(static_cast<std::uint8_t>(order < kPatterns ? order : 0));
    }
    for (int index = 0; index < kPatterns; ++index) {
        const std::vector<std::uint8_t> bytes = pattern(index, channels);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    for (int index = 0; index < kInstruments; ++index) {
        const std::vector<std::uint8_t> bytes = instrument(index);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}
