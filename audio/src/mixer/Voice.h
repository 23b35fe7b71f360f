// One sound-effect voice as the audio thread sees it: the sample it reads, where, its
// fade for pausing, resuming and stopping, and its own volume, pan and pitch, each
// gliding to a new setting. Touched by the audio thread only.
#ifndef PELGRA_AUDIO_VOICE_H
#define PELGRA_AUDIO_VOICE_H

#include "mixer/GainRamp.h"
#include "mixer/MixBuses.h"
#include "mixer/VoiceKernels.h"

#include <cstdint>

namespace pelgra::audio {

struct Sample;

class Voice {
public:
    // Starts `sample` from its first frame at full level, centred and at its own pitch,
    // replacing whatever played; `commandsSeen` is the serial of the every-voice
    // commands issued before the start.
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

    // Adds up to `frames` frames to one of the buses, scaled by a master gain moving
    // linearly from `master` by `masterStep` per frame. Returns false once the voice
    // has ended (played out, or its stop fade finished): the caller then releases it.
    bool mixInto(MixBuses& buses, int frames, float master, float masterStep) noexcept;

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

    // Each mixes up to `frames` frames of a run that starts `done` frames into the
    // master gain's glide, and returns the frames mixed: fewer where the run had to end
    // (the sample's end, a glide's end), or where a one-shot ended.
    // Sides alike and steady, at the sample's own pitch, on a frame: the plain loops, a
    // mono sample to the centre bus.
    int mixSteady(MixBuses& buses, int frames, float master, float masterStep, int done) noexcept;
    // Anything else: a gain per side, and the pitch curve when off the frames.
    int mixMoving(float* stereoAccumulator, int frames, float master, float masterStep,
                  int done) noexcept;
    // Aims the side gains at the volume and the pan.
    void aimSides(int glideFrames) noexcept;
    // Works out m_steady again after a setting or a run.
    void settle() noexcept;

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
    bool m_mixed = false;  // since the start
    bool m_steady = false; // see mixSteady()
};

} // namespace pelgra::audio

#endif
