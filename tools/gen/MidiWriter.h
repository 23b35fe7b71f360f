// Writes small Standard MIDI files (format 0, one track) from notes placed by code.
#ifndef PELGRA_GEN_MIDI_WRITER_H
#define PELGRA_GEN_MIDI_WRITER_H

#include <cstdint>
#include <vector>

namespace pelgra::gen {

class MidiWriter {
public:
    explicit MidiWriter(int ticksPerQuarter = 96);

    // Tempo from the first tick on, in microseconds per quarter note.
    void setTempo(int microsPerQuarter);

    // General MIDI program (0..127) of a channel (0..15) from the first tick on.
    void setProgram(int channel, int program);

    // A note: key and velocity 0..127, start and length in ticks.
    void addNote(int channel, int key, int velocity, int startTick, int lengthTicks);

    std::vector<std::uint8_t> build() const;

private:
    struct Event {
        int tick;
        int rank; // at the same tick: set-up first, then note-offs, then note-ons
        std::vector<std::uint8_t> bytes;
    };

    int m_ticksPerQuarter;
    std::vector<Event> m_events;
};

} // namespace pelgra::gen

#endif
