// Standard MIDI files, played by FluidSynth through a General MIDI SoundFont.
#ifndef PELGRA_AUDIO_MIDI_RENDERER_H
#define PELGRA_AUDIO_MIDI_RENDERER_H

#include "song/SongRenderer.h"

#include <cstdint>
#include <memory>
#include <vector>

// FluidSynth's own type names, declared here so that its header stays out of ours.
// NOLINTBEGIN(bugprone-reserved-identifier)
struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
// NOLINTEND(bugprone-reserved-identifier)

namespace pelgra::audio {

// Whether the bytes start as a Standard MIDI file ("MThd"), valid or not.
bool hasMidiSignature(const std::vector<std::uint8_t>& file);

class MidiRenderer final : public SongRenderer {
public:
    // Null when the bytes are not a well-formed Standard MIDI file that FluidSynth
    // plays, when the SoundFont cannot be loaded, or when FluidSynth does not run at
    // the mixing rate. Logs nothing: FluidSynth's logging is switched off for the
    // whole process.
    static std::unique_ptr<MidiRenderer> open(std::vector<std::uint8_t> file, int mixRate,
                                              const char* soundFont);
    ~MidiRenderer() override;
    MidiRenderer(const MidiRenderer&) = delete;
    MidiRenderer& operator=(const MidiRenderer&) = delete;

    void render(float* interleavedStereo, int frames) noexcept override;
    void rewind() noexcept override;

    // The time since the player last started: each loop starts it afresh.
    double positionMs() const noexcept override;

private:
    MidiRenderer(std::vector<std::uint8_t> file, int mixRate)
        : m_file(std::move(file)), m_mixRate(mixRate) {}

    // A player for the file, started; false when FluidSynth cannot make one.
    bool startPlayer() noexcept;
    void stopPlayer() noexcept;

    std::vector<std::uint8_t> m_file;
    int m_mixRate;
    std::int64_t m_framesPlayed = 0; // since the player started
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    _fluid_player_t* m_player = nullptr;
};

} // namespace pelgra::audio

#endif
