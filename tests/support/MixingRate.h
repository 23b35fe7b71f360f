// The rate at which the running library mixes, measured against the steady clock.
#ifndef PELGRA_TESTS_SUPPORT_MIXING_RATE_H
#define PELGRA_TESTS_SUPPORT_MIXING_RATE_H

#include "PelgraAudio.h"

#include <chrono>
#include <functional>
#include <thread>

namespace measure {

// Frames mixed per second over about `span`, timed at the moments the count moves (polled
// each millisecond), so that the size of a callback's block does not count. `during` runs
// once, right after the first moment.
inline double mixingRate(
    std::chrono::milliseconds span, const std::function<void()>& during = [] {}) {
    using Clock = std::chrono::steady_clock;
    const auto nextCount = [](Clock::time_point& when) {
        PelgraAudioStats figures{};
        PelgraAudio_GetStats(&figures);
        const unsigned long long before = figures.framesMixed;
        const auto giveUp = Clock::now() + std::chrono::milliseconds(1000);
        while (figures.framesMixed == before && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            PelgraAudio_GetStats(&figures);
        }
        when = Clock::now();
        return figures.framesMixed;
    };
    Clock::time_point start;
    Clock::time_point end;
    const unsigned long long first = nextCount(start);
    during();
    std::this_thread::sleep_until(start + span);
    const unsigned long long last = nextCount(end);
    return static_cast<double>(last - first) / std::chrono::duration<double>(end - start).count();
}

} // namespace measure

#endif
