#include "SignalMeasures.h"

#include <algorithm>
#include <cmath>

namespace measure {

float peak(const std::vector<float>& stereo, int channel, int first, int end) {
    const int frames = static_cast<int>(stereo.size() / 2);
    end = end < 0 ? frames : std::min(end, frames);
    float largest = 0.0f;
    for (int frame = first; frame < end; ++frame) {
        largest =
            std::max(largest, std::fabs(stereo[static_cast<std::size_t>(2 * frame + channel)]));
    }
    return largest;
}

double frequency(const std::vector<float>& stereo, int channel, int sampleRate) {
    const int frames = static_cast<int>(stereo.size() / 2);
    double firstCrossing = -1.0;
    double lastCrossing = -1.0;
    int crossings = 0;
    for (int frame = 1; frame < frames; ++frame) {
        const float before = stereo[static_cast<std::size_t>(2 * (frame - 1) + channel)];
        const float after = stereo[static_cast<std::size_t>(2 * frame + channel)];
        if (before < 0.0f && after >= 0.0f) {
            const double at = frame - 1 + before / (before - after);
            if (firstCrossing < 0.0) {
                firstCrossing = at;
            }
            lastCrossing = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return (crossings - 1) * sampleRate / (lastCrossing - firstCrossing);
}

float deviationFromSine(const std::vector<float>& stereo, int channel, int first, int end,
                        double cyclesPerFrame, double amplitude, int zeroAt) {
    double largest = 0.0;
    for (int frame = first; frame < end; ++frame) {
        const double ideal = amplitude * std::sin(2.0 * kPi * cyclesPerFrame * (frame - zeroAt));
        largest = std::max(
            largest, std::fabs(stereo[static_cast<std::size_t>(2 * frame + channel)] - ideal));
    }
    return static_cast<float>(largest);
}

int audibleFrames(const std::vector<float>& stereo, float threshold) {
    for (int frame = static_cast<int>(stereo.size() / 2) - 1; frame >= 0; --frame) {
        if (std::fabs(stereo[static_cast<std::size_t>(2 * frame)]) > threshold ||
            std::fabs(stereo[static_cast<std::size_t>(2 * frame + 1)]) > threshold) {
            return frame + 1;
        }
    }
    return 0;
}

} // namespace measure
