#include "mixer/Voice.h"

#include "mixer/MixKernels.h"
#include "sample/Sample.h"

#include <algorithm>

namespace pelgra::audio {

void Voice::start(const Sample& sample, std::uint32_t playId, std::uint64_t commandsSeen) noexcept {
    m_sample = &sample;
    m_position = 0;
    m_playId = playId;
    m_commandsSeen = commandsSeen;
    m_state = State::Playing;
    m_fade.jumpTo(1.0f);
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

bool Voice::mixInto(float* stereoAccumulator, int frames, float master, float masterStep) noexcept {
    int done = 0;
    while (done < frames && m_state != State::Idle && m_state != State::Paused) {
        int run =
            static_cast<int>(std::min<std::int64_t>(frames - done, m_sample->frames - m_position));
        if (m_fade.ramping()) {
            run = std::min(run, m_fade.framesLeft());
        }
        const float gainStart = (master + masterStep * static_cast<float>(done)) * m_fade.value();
        const float gainEnd =
            (master + masterStep * static_cast<float>(done + run)) * m_fade.valueAfter(run);
        mixRun(stereoAccumulator + 2 * done, run, gainStart,
               (gainEnd - gainStart) / static_cast<float>(run));
        done += run;
        m_position += run;
        if (m_fade.advance(run)) {
            if (m_state == State::Pausing) {
                m_state = State::Paused;
            } else if (m_state == State::Stopping) {
                m_state = State::Idle;
            }
        }
        if (m_position == m_sample->frames) {
            m_position = 0;
            if (!m_sample->loops) {
                m_state = State::Idle;
            }
        }
    }
    return m_state != State::Idle;
}

void Voice::mixRun(float* stereoAccumulator, int frames, float gain,
                   float gainStep) const noexcept {
    const float* frameData = m_sample->data.data() + m_position * m_sample->channels;
    if (m_sample->channels == 1) {
        mixMono(stereoAccumulator, frameData, frames, gain, gainStep);
    } else {
        mixStereo(stereoAccumulator, frameData, frames, gain, gainStep);
    }
}

} // namespace pelgra::audio
