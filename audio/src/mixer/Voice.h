// One sound-effect voice as the audio thread sees it: the sample it reads, where, and
// its fade for pausing, resuming and stopping. Touched by the audio thread only.
#ifndef PELGRA_AUDIO_VOICE_H
#define PELGRA_AUDIO_VOICE_H

#include "mixer/GainRamp.h"

#include <cstdint>

namespace pelgra::audio {

struct Sample;

class Voice {
public:
    // Starts `sample` from its first frame at full level, replacing whatever played;
    // `commandsSeen` is the serial of the every-voice commands issued before the start.
    void start(const Sample& sample, std::uint32_t playId, std::uint64_t commandsSeen) noexcept;
    // Fades out and holds the position; a paused voice stays paused.
    void pause(int fadeFrames) noexcept;
    // Fades back in from where it was held.
    void resume(int fadeFrames) noexcept;
    // Fades out and ends.
    void stop(int fadeFrames) noexcept;

    // Adds up to `frames` frames to the accumulator, scaled by a master gain moving
    // linearly from `master` by `masterStep` per frame. Returns false once the voice
    // has ended (played out, or its stop fade finished): the caller then releases it.
    bool mixInto(float* stereoAccumulator, int frames, float master, float masterStep) noexcept;

    // Forgets the sample after the caller released it.
    void clear() noexcept { *this = Voice{}; }

    const Sample* sample() const noexcept { return m_sample; }
    std::uint32_t playId() const noexcept { return m_playId; }
    bool stopping() const noexcept { return m_state == State::Stopping; }
    // Heard now or fading: taking it over must fade it out.
    bool sounding() const noexcept {
        return m_state == State::Playing || m_state == State::Pausing || m_state == State::Stopping;
    }
    std::uint64_t commandsSeen() const noexcept { return m_commandsSeen; }
    void sawCommands(std::uint64_t serial) noexcept { m_commandsSeen = serial; }

private:
    enum class State : std::uint8_t { Idle, Playing, Pausing, Paused, Stopping };

    // Mixes one run over which nothing but the gains changes.
    void mixRun(float* stereoAccumulator, int frames, float gain, float gainStep) const noexcept;

    const Sample* m_sample = nullptr;
    std::int64_t m_position = 0;
    std::uint32_t m_playId = 0;
    std::uint64_t m_commandsSeen = 0;
    State m_state = State::Idle;
    GainRamp m_fade;
};

} // namespace pelgra::audio

#endif
