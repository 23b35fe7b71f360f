// One sound-effect voice as the audio thread sees it: the sample it reads, where, its
// fade for pausing, resuming and stopping, and its own volume, pan and pitch, each
// gliding to a new setting. Touched by the audio thread only.
#ifndef PELGRA_AUDIO_VOICE_H
#define PELGRA_AUDIO_VOICE_H

#include "mixer/GainRamp.h"
#include "mixer/VoiceKernels.h"

#include <cstdint>

namespace pelgra::audio {

struct Sample;

class Voice {
public:
    // Starts `sample` from its first frame at full level, centred and at its own pitch,
    // replacing whatever played;
    // `commandsSeen` is the serial of the every-voice commands issued before the start.
    void start(const Sample& sample, std::uint32_t playId, std::uint64_t commandsSeen) noexcept;
    // Fades out and holds the position; a paused voice stays paused.
    void pause(int fadeFrames) noexcept;
    // Fades back in from where it was held.
    void resume(int fadeFrames) noexcept;
    // Fades out and ends.
    void stop(int fadeFrames) noexcept;

    // Each setting moves there linearly over `glideFrames` frames, or at once while
    // nothing of the voice has been mixed since its start.
    // Volume as a gain, 0..1.
    void setVolume(float gain, int glideFrames) noexcept;
    // -128 (left) .. 0 (centre) .. 127 (right).
    void setPan(float pan, int glideFrames) noexcept;
    // Sample frames read per output frame, 0.25..4.
    void setPitch(float ratio, int glideFrames) noexcept;

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

    // Mixes a run over which nothing but the gains and the pitch changes; returns the
    // frames mixed, fewer than `frames` only when a one-shot ended.
    int mixRun(float* stereoAccumulator, int frames, const SideGains& gains) noexcept;
    // At its own pitch exactly, on a frame: the frames are copied, not interpolated.
    bool atOwnPitch() const noexcept {
        return !m_pitch.ramping() && m_pitch.value() == 1.0f && m_head.fraction == 0.0;
    }
    // Aims the side gains at the volume and the pan.
    void aimSides(int glideFrames) noexcept;

    const Sample* m_sample = nullptr;
    ReadHead m_head;
    std::uint32_t m_playId = 0;
    std::uint64_t m_commandsSeen = 0;
    State m_state = State::Idle;
    GainRamp m_fade;
    // The volume times the pan's gain, per side.
    GainRamp m_left;
    GainRamp m_right;
    GainRamp m_pitch;
    float m_volume = 1.0f;
    float m_panLeft = 1.0f;
    float m_panRight = 1.0f;
    bool m_mixed = false; // since the start
};

} // namespace pelgra::audio

#endif
