#include "DeviceOutput.h"

#include "Errors.h"

#include "PelgraAudio.h"

#include <chrono>
#include <thread>

namespace pelgra::play {

namespace {

PelgraAudioStats currentStats() {
    PelgraAudioStats stats{};
    PelgraAudio_GetStats(&stats);
    return stats;
}

} // namespace

DeviceOutput::DeviceOutput(int rate, int voices) : Output(rate), m_engine(nullptr, rate, voices) {}

long long DeviceOutput::advance(long long frames) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::microseconds(frames * 1000000 / rate()));
    const std::chrono::duration<double> passed = Clock::now() - start;
    return static_cast<long long>(passed.count() * rate());
}

void DeviceOutput::drain() {
    // Effects started a little after they were asked for, so they may still sound; then
    // the device holds up to one buffer more.
    constexpr auto kPoll = std::chrono::milliseconds(10);
    constexpr int kMostPolls = 100;
    for (int i = 0; i < kMostPolls && currentStats().voicesInUse > 0; ++i) {
        std::this_thread::sleep_for(kPoll);
    }
    const PelgraAudioStats stats = currentStats();
    if (stats.mixRate > 0) {
        std::this_thread::sleep_for(
            std::chrono::microseconds(1000000LL * stats.bufferFrames / stats.mixRate));
    }
}

} // namespace pelgra::play
