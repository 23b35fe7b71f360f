// A look-ahead peak limiter for the end of the mix. The mix comes out a fixed few
// milliseconds late; meanwhile the limiter has seen what follows and has lowered the
// gain before a peak arrives, so that no sample leaves it above the ceiling and nothing
// is flattened. Material that stays below the ceiling passes bit for bit. Both channels
// get the same gain, so the stereo image never shifts.
//
// The gain is worked out once per step of kStepFrames frames and glides linearly across
// each step: the per-sample work is a copy into the delay with the step's peak, and the
// output clip's pass, which takes the delayed frames (scaled unless the gain is unity)
// straight from the delay.
// Everything is allocated at construction, on the application side; the rest runs on
// the audio side (audio thread only), where process() costs the same for every step.
#ifndef PELGRA_AUDIO_LIMITER_H
#define PELGRA_AUDIO_LIMITER_H

#include <vector>

namespace pelgra::audio {

class OutputClip;

class Limiter {
public:
    // -0.05 dBFS: a limited peak never sits on full scale.
    static constexpr float kCeiling = 0.99426f;
    static constexpr int kStepFrames = 16;
    // The look-ahead, rounded up to whole steps (and at least two of them).
    static constexpr int kLookAheadMillis = 2;
    // The time constant of the release: back within 0.1 dB of unity about 4.5 of them
    // after the last peak that needed a reduction.
    static constexpr int kReleaseMillis = 50;

    explicit Limiter(int mixRate);

    // How much later a frame leaves process() than it entered it.
    int delayFrames() const noexcept { return m_delaySteps * kStepFrames; }

    // Forgets what it heard: silence in the delay, no gain reduction. The lowest gain
    // applied stays for takeLowestGain().
    void reset() noexcept;

    // Takes `frames` interleaved stereo frames from `in` and has `clip` write to `out`
    // those delayFrames() earlier, each scaled so that no sample exceeds kCeiling.
    void process(const float* in, float* out, int frames, OutputClip& clip) noexcept;

    // The lowest gain applied since the previous call (1 when none); watches afresh.
    float takeLowestGain() noexcept;

    // What taking in a whole step showed of it, for when it leaves: where no sample is
    // NaN or beyond full scale (`inRange`), the clip has nothing to do but copy it, and
    // the output's peaks are the step's own.
    struct StepSides {
        float left = 0.0f;
        float right = 0.0f;
        bool inRange = true;
    };

private:
    void takeWholeSteps(const float* in, float* out, int steps, OutputClip& clip) noexcept;
    int takeStepsAtUnity(const float* in, float* out, int steps, OutputClip& clip) noexcept;
    void takePartOfStep(const float* in, float* out, int frames, OutputClip& clip) noexcept;
    void sendLeaving(float* out, int frames, OutputClip& clip) noexcept;
    // Each finishes the step just taken in, whose highest magnitude is `peak`:
    // stayAtUnity() where the gain stays at unity without finishStep()'s passes, which
    // it says by returning true.
    bool stayAtUnity(float peak) noexcept;
    void finishStep(float peak) noexcept;
    void advanceStep() noexcept;

    const int m_delaySteps;
    const float m_releaseDecay;
    // The delayed frames: one step more than the delay, so that a step is written
    // before the step leaving it is read, with neither wrapping.
    const int m_ringFrames;
    std::vector<float> m_delay;
    std::vector<StepSides> m_stepSides; // one for each step of the delay
    int m_writeFrame = 0;
    int m_readFrame = 0;
    int m_stepFill = 0;

    // The highest gain each of the last few step boundaries may have, and the gains the
    // release allowed there; their minimum and mean, over the steps of the look-ahead,
    // make the gain glide down before a peak instead of stepping.
    const int m_windowSteps;
    std::vector<float> m_boundaryLimits;
    std::vector<float> m_releasedGains;
    int m_windowSlot = 0;
    float m_previousStepLimit = 1.0f;
    // 1 minus the released gain: decayed by multiplication, it reaches exact unity
    // where a gain crawling up to 1 in float would stall just below it.
    float m_reduction = 0.0f;
    // Boundaries in a row that needed no reduction while the release had none left.
    int m_unitySteps = 0;

    // The gains at the start and the end of the step now leaving.
    float m_gainAtStart = 1.0f;
    float m_gainAtEnd = 1.0f;
    float m_lowestGain = 1.0f;
};

} // namespace pelgra::audio

#endif
