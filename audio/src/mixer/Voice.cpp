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
    m_steady = true;
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
    settle();
}

void Voice::setPitch(float ratio, int glideFrames) noexcept {
    glide(m_pitch, ratio, glideFrames, m_mixed);
    settle();
}

void Voice::settle() noexcept {
    m_steady = !m_left.ramping() && !m_right.ramping() && m_left.value() == m_right.value() &&
               !m_pitch.ramping() && m_pitch.value() == 1.0f && m_head.fraction == 0.0;
}

bool Voice::mixInto(MixBuses& buses, int frames, float master, float masterStep) noexcept {
    int done = 0;
    while (done < frames && m_state != State::Idle && m_state != State::Paused) {
        int run = frames - done;
        if (m_fade.ramping()) {
            run = std::min(run, m_fade.framesLeft());
        }
        const int mixed = m_steady
                              ? mixSteady(buses, run, master, masterStep, done)
                              : mixMoving(buses.stereo + 2 * done, run, master, masterStep, done);
        m_mixed = true;
        done += mixed;
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
                m_head.frame = m_sample->loopStart;
            } else {
                m_state = State::Idle;
            }
        }
    }
    return m_state != State::Idle;
}

int Voice::mixSteady(MixBuses& buses, int frames, float master, float masterStep,
                     int done) noexcept {
    frames = static_cast<int>(std::min<std::int64_t>(frames, m_sample->frames - m_head.frame));
    // Both sides alike: one gain, whose factor is exactly 1 at the defaults, so that such
    // a voice mixes bit for bit as one without settings of its own.
    const float side = m_left.value();
    const float gainStart =
        (master + masterStep * static_cast<float>(done)) * m_fade.value() * side;
    const float gainEnd = (master + masterStep * static_cast<float>(done + frames)) *
                          m_fade.valueAfter(frames) * side;
    const float gainStep = (gainEnd - gainStart) / static_cast<float>(frames);
    const float* frameData = m_sample->data.data() + m_head.frame * m_sample->channels;
    if (m_sample->channels == 1) {
        mixCentre(buses.centre + done, frameData, frames, gainStart, gainStep);
        buses.centreUsed = true;
    } else {
        mixStereo(buses.stereo + 2 * done, frameData, frames, gainStart, gainStep);
    }
    m_head.frame += frames;
    return frames;
}

int Voice::mixMoving(float* stereoAccumulator, int frames, float master, float masterStep,
                     int done) noexcept {
    // A run ends where a glide ends, so that each gain and the pitch move linearly in it.
    if (m_left.ramping() || m_right.ramping()) {
        frames = std::min({frames, m_left.framesLeft(), m_right.framesLeft()});
    }
    if (m_pitch.ramping()) {
        frames = std::min(frames, m_pitch.framesLeft());
    }
    const bool ownPitch = !m_pitch.ramping() && m_pitch.value() == 1.0f && m_head.fraction == 0.0;
    if (ownPitch) {
        frames = static_cast<int>(std::min<std::int64_t>(frames, m_sample->frames - m_head.frame));
    }
    const auto span = static_cast<float>(frames);
    const float levelStart = (master + masterStep * static_cast<float>(done)) * m_fade.value();
    const float levelEnd =
        (master + masterStep * static_cast<float>(done + frames)) * m_fade.valueAfter(frames);
    SideGains gains;
    gains.left = levelStart * m_left.value();
    gains.right = levelStart * m_right.value();
    gains.leftStep = (levelEnd * m_left.valueAfter(frames) - gains.left) / span;
    gains.rightStep = (levelEnd * m_right.valueAfter(frames) - gains.right) / span;

    int mixed = frames;
    if (!ownPitch) {
        const double ratio = m_pitch.value();
        const double ratioStep =
            (static_cast<double>(m_pitch.valueAfter(frames)) - ratio) / static_cast<double>(frames);
        mixed = mixPitched(stereoAccumulator, *m_sample, m_head, frames, ratio, ratioStep, gains);
    } else {
        const float* frameData = m_sample->data.data() + m_head.frame * m_sample->channels;
        if (m_sample->channels == 1) {
            mixMonoSides(stereoAccumulator, frameData, frames, gains);
        } else {
            mixStereoSides(stereoAccumulator, frameData, frames, gains);
        }
        m_head.frame += frames;
    }
    m_left.advance(mixed);
    m_right.advance(mixed);
    m_pitch.advance(mixed);
    settle();
    return mixed;
}

} // namespace pelgra::audio
