#include "StatusLine.h"

#include <algorithm>
#include <cmath>

namespace pelgra::play {

namespace {

constexpr int kMeterWidth = 12;
constexpr double kMeterFloorDb = -60.0;

// "mm:ss.t"; minutes go on past 59.
std::string clockOf(double seconds) {
    const auto tenths = static_cast<long>(seconds * 10.0);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02ld:%02ld.%ld", tenths / 600, tenths / 10 % 60,
                  tenths % 10);
    return clock;
}

} // namespace

std::string levelBar(float peak, int width) {
    if (peak <= 0.0f) {
        return std::string(static_cast<std::size_t>(width), ' ');
    }
    const double db = 20.0 * std::log10(peak);
    const double fraction = std::clamp(1.0 - db / kMeterFloorDb, 0.0, 1.0);
    const auto filled = static_cast<std::size_t>(std::lround(fraction * width));
    return std::string(filled, '=') + std::string(static_cast<std::size_t>(width) - filled, ' ');
}

std::string formatStatus(const Status& status) {
    std::string line = clockOf(status.seconds);
    if (status.length) {
        line += " / " + clockOf(*status.length);
    }
    line += "  " + status.title + "  voices " + std::to_string(status.voicesInUse) + "/" +
            std::to_string(status.voices) + "  L[" + levelBar(status.peakLeft, kMeterWidth) +
            "] R[" + levelBar(status.peakRight, kMeterWidth) + "]";
    if (status.paused) {
        line += "  paused";
    }
    if (status.deviceLost) {
        line += "  device lost";
    }
    return line;
}

std::string deviceChange(const PelgraAudioOutputState& before, const PelgraAudioOutputState& now) {
    if (now.connected != 0 && now.reopens != before.reopens) {
        return std::string("device back: ") + now.device;
    }
    if (now.connected == 0 && now.losses != before.losses) {
        return "device lost: keeping time";
    }
    return "";
}

StatusLine::StatusLine(std::FILE* out, bool redraw) : m_out(out), m_redraw(redraw) {}

StatusLine::~StatusLine() {
    endLine();
}

void StatusLine::show(const Status& status) {
    if (m_redraw) {
        // Back to the start of the line, draw, and clear whatever a longer line left.
        std::fprintf(m_out, "\r%s\x1b[K", formatStatus(status).c_str());
        m_lineOpen = true;
    } else {
        const long second = static_cast<long>(status.seconds);
        if (second == m_lastSecond && status.paused == m_lastPaused &&
            status.title == m_lastTitle) {
            return;
        }
        m_lastSecond = second;
        m_lastPaused = status.paused;
        m_lastTitle = status.title;
        std::fprintf(m_out, "%s\n", formatStatus(status).c_str());
    }
    std::fflush(m_out);
}

void StatusLine::say(const std::string& line) {
    endLine();
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
    m_lastSecond = -1;
}

void StatusLine::endLine() {
    if (m_lineOpen) {
        std::fputc('\n', m_out);
        m_lineOpen = false;
    }
}

} // namespace pelgra::play
