// What an application thread asks of the mixer, queued to the audio thread in order.
#ifndef PELGRA_AUDIO_COMMAND_H
#define PELGRA_AUDIO_COMMAND_H

#include "PelgraAudio.h"

#include <cstdint>

namespace pelgra::audio {

struct Sample;

struct Command {
    enum class Type : std::uint8_t { Play, Stop, SetPaused };

    // A voice selector for Stop and SetPaused: every sound-effect voice.
    static constexpr std::int32_t kAllVoices = FSOUND_ALL;

    Type type = Type::Stop;
    bool paused = false;            // SetPaused
    std::int32_t voice = 0;         // a voice number or kAllVoices
    std::uint32_t playId = 0;       // Play: the id the voice reports back when it ends
    const Sample* sample = nullptr; // Play
};

} // namespace pelgra::audio

#endif
