#include "mixer/Voice.h"

#include "mixer/MixKernels.h"
#include "sample/Sample.h"

#include <algorithm>
#include <cmath>

namespace pelgra::audio {

void Voice::start(const Sample& sample, std::uint32_t playId, std::uint64_t commandsSeen) noexcept {
    m_sample = &sample;
    m_head = ReadHead{};
    m_playId = playId;
    m_commandsSeen = commandsSeen;
    m_state = State::Playing;
    m_fade.jumpTo(1.0f);
    m_left.jumpTo(1.0f);
    m_right.jumpTo(1.0f);
    m_pitch.jumpTo(1.0f);
    m_volume = 1.0f;
    m_panLeft = 1.0f;
    m_panRight = 1.0f;
    m_mixed = false;
}

void Voice::pause(int fadeFrames) noexcept {
    if (m_state == State::Playing) {
        m_state = State::Pausing;
        m_fade.rampTo(0.0f, fadeFrames);
    }
}

void Voice::resume(int fadeFrames) noexcept {
    if (m_state == State::Pausing || m_state == State::Paused) {
        m_state = State::Playing;
        m_fade.rampTo(1.0f, fadeFrames);
    }
}

void Voice::stop(int fadeFrames) noexcept {
    if (m_state == State::Paused) {
        m_state = State::Idle; // already silent
    } else if (m_state == State::Playing || m_state == State::Pausing) {
        m_state = State::Stopping;
        m_fade.rampTo(0.0f, fadeFrames);
    }
}

namespace {

// The pan law: constant power (left² + right² = 2 at every pan), scaled so that the
// centre gives both sides exactly 1, the gain of a voice never panned, and a hard side
// gives that side √2 (+3 dB) and the other nothing. -128..0 and 0..127 each map onto a
// half of -1..1, so that both ends are hard.
void panGains(float pan, float& left, float& right) noexcept {
    const double position = pan < 0.0f ? pan / 128.0 : pan / 127.0;
    constexpr double kEighthTurn = 0.78539816339744830962; // pi / 4
    const double scale = std::sqrt(2.0);
    left = static_cast<float>(scale * std::sin((1.0 - position) * kEighthTurn));
    right = static_cast<float>(scale * std::sin((1.0 + position) * kEighthTurn));
}

// A voice not yet heard takes a setting at once; a heard one glides to it, unless it
// holds it already.
void glide(GainRamp& ramp, float target, int glideFrames, bool heard) noexcept {
    if (heard && (ramp.ramping() || ramp.value() != target)) {
        ramp.rampTo(target, glideFrames);
    } else {
        ramp.jumpTo(target);
    }
}

} // namespace

void Voice::setVolume(float gain, int glideFrames) noexcept {
    m_volume = gain;
    aimSides(glideFrames);
}

void Voice::setPan(float pan, int glideFrames) noexcept {
    panGains(pan, m_panLeft, m_panRight);
    aimSides(glideFrames);
}

void Voice::aimSides(int glideFrames) noexcept {
    glide(m_left, m_volume * m_panLeft, glideFrames, m_mixed);
    glide(m_right, m_volume * m_panRight, glideFrames, m_mixed);
}

void Voice::setPitch(float ratio, int glideFrames) noexcept {
    glide(m_pitch, ratio, glideFrames, m_mixed);
}

bool Voice::mixInto(float* stereoAccumulator, int frames, float master, float masterStep) noexcept {
    int done = 0;
    while (done < frames && m_state != State::Idle && m_state != State::Paused) {
        // A run ends where a glide ends, so that each gain and the pitch move linearly in it.
        int run = frames - done;
        if (m_fade.ramping()) {
            run = std::min(run, m_fade.framesLeft());
        }
        if (m_left.ramping() || m_right.ramping()) {
            run = std::min({run, m_left.framesLeft(), m_right.framesLeft()});
        }
        if (m_pitch.ramping()) {
            run = std::min(run, m_pitch.framesLeft());
        }
        if (atOwnPitch()) {
            run = static_cast<int>(std::min<std::int64_t>(run, m_sample->frames - m_head.frame));
        }
        const float levelStart = (master + masterStep * static_cast<float>(done)) * m_fade.value();
        const float levelEnd =
            (master + masterStep * static_cast<float>(done + run)) * m_fade.valueAfter(run);
        SideGains gains;
        gains.left = levelStart * m_left.value();
        gains.right = levelStart * m_right.value();
        gains.leftStep = (levelEnd * m_left.valueAfter(run) - gains.left) / static_cast<float>(run);
        gains.rightStep =
            (levelEnd * m_right.valueAfter(run) - gains.right) / static_cast<float>(run);
        const int mixed = mixRun(stereoAccumulator + 2 * done, run, gains);
        m_mixed = true;
        done += mixed;
        m_left.advance(mixed);
        m_right.advance(mixed);
        m_pitch.advance(mixed);
        if (m_fade.advance(mixed)) {
            if (m_state == State::Pausing) {
                m_state = State::Paused;
            } else if (m_state == State::Stopping) {
                m_state = State::Idle;
            }
        }
        // Read at its own pitch, a sample ends exactly on its last frame; a pitched loop
        // went round in the kernel already.
        if (m_head.frame >= m_sample->frames) {
            if (m_sample->loops) {
                m_head.frame = 0;
            } else {
                m_state = State::Idle;
            }
        }
    }
    return m_state != State::Idle;
}

int Voice::mixRun(float* stereoAccumulator, int frames, const SideGains& gains) noexcept {
    if (!atOwnPitch()) {
        const double ratio = m_pitch.value();
        const double ratioStep =
            (static_cast<double>(m_pitch.valueAfter(frames)) - ratio) / static_cast<double>(frames);
        return mixPitched(stereoAccumulator, *m_sample, m_head, frames, ratio, ratioStep, gains);
    }
    // Both sides alike (never panned, at any volume): the cheaper loops of songs and
    // plain voices.
    const bool alike = gains.left == gains.right && gains.leftStep == gains.rightStep;
    const float* frameData = m_sample->data.data() + m_head.frame * m_sample->channels;
    if (m_sample->channels == 1) {
        if (alike) {
            mixMono(stereoAccumulator, frameData, frames, gains.left, gains.leftStep);
        } else {
            mixMonoSides(stereoAccumulator, frameData, frames, gains);
        }
    } else if (alike) {
        mixStereo(stereoAccumulator, frameData, frames, gains.left, gains.leftStep);
    } else {
        mixStereoSides(stereoAccumulator, frameData, frames, gains);
    }
    m_head.frame += frames;
    return frames;
}

} // namespace pelgra::audio
