// Writes small four-channel ProTracker modules ("M.K.") from generated instruments and
// notes placed by code: test songs, demo tunes and fuzz seeds without music files.
#ifndef PELGRA_GEN_MODULE_WRITER_H
#define PELGRA_GEN_MODULE_WRITER_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pelgra::gen {

enum class Waveform { Square, Saw };

class ModuleWriter {
public:
    static constexpr int kChannels = 4;
    static constexpr int kRows = 64;
    static constexpr int kNotes = 36; // C-1 .. B-3, the ProTracker range

    explicit ModuleWriter(std::string title);

    // Adds a looped single-cycle instrument at volume 0..64; returns its number (1..31).
    int addInstrument(Waveform waveform, int volume = 64);

    // Adds an empty pattern; returns its index.
    int addPattern();

    // Places a note (0 = C-1 .. 35 = B-3) of an instrument on a row of a channel.
    void setNote(int pattern, int row, int channel, int instrument, int note);

    // Places an effect command (0x0..0xF) and its parameter on a row of a channel.
    void setEffect(int pattern, int row, int channel, int effect, int parameter);

    // The order in which the patterns play; the song goes on at `restartPosition`
    // when it ends. Defaults to every pattern once, restarting at the first.
    void setOrder(std::vector<int> patterns, int restartPosition = 0);

    std::vector<std::uint8_t> build() const;

private:
    struct Cell {
        int instrument = 0;
        int period = 0;
        int effect = 0;
        int parameter = 0;
    };
    using Pattern = std::array<std::array<Cell, kChannels>, kRows>;
    struct Instrument {
        std::vector<std::int8_t> wave;
        int volume;
    };

    Cell& cell(int pattern, int row, int channel);

    std::string m_title;
    std::vector<Instrument> m_instruments;
    std::vector<Pattern> m_patterns;
    std::vector<int> m_order;
    int m_restartPosition = 0;
};

} // namespace pelgra::gen

#endif
