#include "DemoSongs.h"

#include "MidiWriter.h"
#include "ModuleWriter.h"

#include <fstream>

namespace pelgra::gen {
namespace {

constexpr int kSetSpeed = 0xF;
constexpr int kRowsPerNote = 4;

// Semitones above C-1 of the melody's steps, one per four rows.
constexpr int kMelody[] = {12, 16, 19, 24, 23, 19, 16, 14, 12, 16, 19, 21, 19, 16, 14, 11};
constexpr int kBass[] = {0, 0, 5, 7};

} // namespace

std::vector<std::uint8_t> makeDemoModule() {
    ModuleWriter module("pelgra demo");
    const int square = module.addInstrument(Waveform::Square, 48);
    const int saw = module.addInstrument(Waveform::Saw, 40);
    constexpr int kPatterns = 3;
    for (int p = 0; p < kPatterns; ++p) {
        const int pattern = module.addPattern();
        for (int step = 0; step < ModuleWriter::kRows / kRowsPerNote; ++step) {
            const int row = step * kRowsPerNote;
            module.setNote(pattern, row, 0, square, kMelody[(step + p * 5) % 16]);
            if (step % 4 == 0) {
                module.setNote(pattern, row, 1, square, kBass[(step / 4 + p) % 4]);
            }
            if (step % 2 == 1) {
                module.setNote(pattern, row, 2, saw, 24 + kMelody[(step * 3 + p) % 16] % 12);
            }
        }
    }
    module.setEffect(0, 0, 3, kSetSpeed, 4);
    module.setOrder({0, 1, 2, 1}, 1);
    return module.build();
}

std::vector<std::uint8_t> makeDemoMidi() {
    constexpr int kQuarter = 96;
    constexpr int kPiano = 0;
    constexpr int kBassGuitar = 33;
    MidiWriter midi(kQuarter);
    midi.setTempo(400000);
    midi.setProgram(0, kPiano);
    midi.setProgram(1, kBassGuitar);
    for (int step = 0; step < 16; ++step) {
        midi.addNote(0, 48 + kMelody[step], 100, step * kQuarter / 2, kQuarter / 2);
    }
    for (int bar = 0; bar < 4; ++bar) {
        midi.addNote(1, 36 + kBass[bar], 90, bar * 2 * kQuarter, 2 * kQuarter);
    }
    return midi.build();
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

} // namespace pelgra::gen
