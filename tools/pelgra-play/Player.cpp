#include "Player.h"

#include "Controls.h"
#include "Output.h"
#include "Sound.h"
#include "StatusLine.h"

#include "PelgraAudio.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

namespace pelgra::play {

namespace {

constexpr int kSlicesPerSecond = 20; // how often keys are read and the status redrawn

void stopAll(const std::vector<std::unique_ptr<Sound>>& sounds) {
    for (const auto& sound : sounds) {
        sound->stop();
    }
}

} // namespace

Player::Player(Output& output, Controls& controls, StatusLine* status, int voices)
    : m_output(output), m_controls(controls), m_status(status), m_voices(voices) {
    PelgraAudio_GetOutputState(&m_device);
}

Ending Player::play(const Programme& programme) {
    // Everything is loaded before anything plays, so that no load holds up a cue.
    std::vector<std::unique_ptr<Sound>> sounds;
    std::transform(programme.sounds.begin(), programme.sounds.end(), std::back_inserter(sounds),
                   [](const SoundFile& file) {
                       return std::make_unique<Sound>(file.path, file.loop, file.song);
                   });

    // Time counts in frames of the output, so that a rendered file has exactly the
    // length asked for.
    const int rate = m_output.rate();
    const auto frameAt = [rate](double seconds) { return std::llround(seconds * rate); };
    const bool bounded = programme.seconds.has_value();
    const long long end = bounded ? frameAt(*programme.seconds) : 0;
    long long now = 0;
    std::size_t nextCue = 0;
    bool paused = false;

    for (;;) {
        for (; nextCue < programme.cues.size() && frameAt(programme.cues[nextCue].at) <= now;
             ++nextCue) {
            sounds[programme.cues[nextCue].sound]->play();
        }
        if (bounded && now >= end) {
            if (programme.cut) {
                stopAll(sounds);
            }
            break;
        }
        const ControlRequest request = m_controls.poll();
        if (request == ControlRequest::Stop || request == ControlRequest::Next) {
            stopAll(sounds);
            m_output.drain();
            return request == ControlRequest::Stop ? Ending::Stopped : Ending::Skipped;
        }
        if (request == ControlRequest::TogglePause) {
            paused = !paused;
            for (const auto& sound : sounds) {
                sound->pause(paused);
            }
        }

        long long step = rate / kSlicesPerSecond;
        if (bounded) {
            step = std::min(step, end - now);
        }
        if (nextCue < programme.cues.size()) {
            step = std::min(step, frameAt(programme.cues[nextCue].at) - now);
        }
        const long long passed = m_output.advance(step);
        if (!paused) {
            now += passed;
        }

        if (m_status != nullptr) {
            PelgraAudioOutputState device{};
            PelgraAudio_GetOutputState(&device);
            if (const std::string change = deviceChange(m_device, device); !change.empty()) {
                m_status->say(change);
            }
            m_device = device;
            PelgraAudioStats stats{};
            PelgraAudio_GetStats(&stats);
            Status status{static_cast<double>(now) / rate,
                          programme.length,
                          programme.title,
                          stats.voicesInUse,
                          m_voices,
                          stats.peakLeft,
                          stats.peakRight,
                          paused,
                          device.connected == 0 && device.losses > 0};
            if (programme.showsPlaceInFile) {
                status.seconds = sounds.front()->position().value_or(status.seconds);
            }
            m_status->show(status);
        }
    }
    m_output.drain();
    return Ending::Finished;
}

} // namespace pelgra::play
