// What an application thread asks of the mixer, queued to the audio thread in order.
#ifndef PELGRA_AUDIO_COMMAND_H
#define PELGRA_AUDIO_COMMAND_H

#include <cstdint>

namespace pelgra::audio {

struct Sample;

struct Command {
    enum class Type : std::uint8_t { Play, Stop, SetPaused, SetVolume, SetPan, SetPitch };

    // A voice selector for Stop and SetPaused: every sound-effect voice. The value of
    // the C interface's FSOUND_ALL, which passes voice numbers through unchanged.
    static constexpr std::int32_t kAllVoices = -3;

    Type type = Type::Stop;
    bool paused = false;            // SetPaused
    std::int32_t voice = 0;         // a voice number or kAllVoices
    std::uint32_t playId = 0;       // Play: the id the voice reports back when it ends
    float value = 0.0f;             // SetVolume: a gain; SetPan: -128..127; SetPitch: a ratio
    const Sample* sample = nullptr; // Play
};

} // namespace pelgra::audio

#endif
