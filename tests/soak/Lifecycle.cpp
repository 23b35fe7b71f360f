#include "Lifecycle.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace soak {
namespace {

constexpr int kRates[] = {48000, 44100};
constexpr int kMinRunMillis = 200;
constexpr int kMaxRunMillis = 1500;
constexpr int kMaxClosedMillis = 20;

// Sleeps about `millis`, returning early once `stop` is set.
void sleepUnlessStopped(int millis, const std::atomic<bool>& stop) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    while (!stop.load() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

void CallbackFigures::add(const PelgraAudioStats& run) {
    if (run.mixRate > 0 && run.longestCallbackMicros >= longestCallbackMicros) {
        longestCallbackMicros = run.longestCallbackMicros;
        budgetMicros = 1e6 * run.bufferFrames / run.mixRate;
    }
    longestGapMicros = std::max(longestGapMicros, run.longestGapMicros);
    const double budget = run.mixRate > 0 ? 1e6 * run.bufferFrames / run.mixRate : 0.0;
    if (budget > 0 && (cpuBudgetMicros == 0 || run.longestCallbackCpuMicros / budget >
                                                   longestCpuMicros / cpuBudgetMicros)) {
        longestCpuMicros = run.longestCallbackCpuMicros;
        cpuBudgetMicros = budget;
    }
    callbacks += run.callbacks;
    framesMixed += run.framesMixed;
}

Lifecycle::Lifecycle(RunEpoch& epoch, int voices, std::uint32_t seed)
    : m_epoch(epoch), m_voices(voices), m_random(seed) {}

bool Lifecycle::start() {
    m_rateChoice = (m_rateChoice + 1) % 2;
    if (FSOUND_Init(kRates[m_rateChoice], m_voices, 0) != 1) {
        ++m_failedStarts;
        return false;
    }
    m_epoch.started();
    return true;
}

void Lifecycle::run(const std::atomic<bool>& stop) {
    std::uniform_int_distribution<int> running(kMinRunMillis, kMaxRunMillis);
    std::uniform_int_distribution<int> closed(0, kMaxClosedMillis);
    for (;;) {
        sleepUnlessStopped(running(m_random), stop);
        if (stop.load()) {
            return;
        }
        close();
        std::this_thread::sleep_for(std::chrono::milliseconds(closed(m_random)));
        if (!start()) {
            return;
        }
        ++m_restarts;
    }
}

void Lifecycle::close() {
    PelgraAudioStats last{};
    PelgraAudio_GetStats(&last);
    m_figures.add(last);
    m_epoch.closing();
    FSOUND_Close();
}

} // namespace soak
