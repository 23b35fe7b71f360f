#include "Levels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pelgra::play {

void LevelMeter::add(const float* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const double sample = samples[i];
        m_peak = std::max(m_peak, std::fabs(sample));
        m_sumOfSquares += sample * sample;
    }
    m_count += count;
}

double LevelMeter::rms() const {
    return m_count == 0 ? 0.0 : std::sqrt(m_sumOfSquares / static_cast<double>(m_count));
}

std::string formatDbfs(double level) {
    if (level <= 0.0) {
        return "-inf dBFS";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(level));
    return text;
}

} // namespace pelgra::play
