// The soak test's start-and-stop thread: closes the library and starts it again now
// and then, while the application threads go on calling, and keeps the audio thread's
// figures of each run before closing it.
#ifndef PELGRA_SOAK_LIFECYCLE_H
#define PELGRA_SOAK_LIFECYCLE_H

#include "PelgraAudio.h"
#include "RunEpoch.h"

#include <atomic>
#include <cstdint>
#include <random>

namespace soak {

// The audio thread's worst over every run of the library.
struct CallbackFigures {
    unsigned int longestCallbackMicros = 0;
    double budgetMicros = 0; // of the run with the longest callback: one buffer's length
    unsigned int longestGapMicros = 0;
    // The audio thread's CPU time in one callback, of the run where it took the largest
    // share of that run's buffer length.
    unsigned int longestCpuMicros = 0;
    double cpuBudgetMicros = 0;
    unsigned long long callbacks = 0;
    unsigned long long framesMixed = 0;

    void add(const PelgraAudioStats& run);
};

class Lifecycle {
public:
    Lifecycle(RunEpoch& epoch, int voices, std::uint32_t seed);

    // Starts the library with the null output; false when it did not start.
    bool start();
    // Closes and restarts the library at random moments until `stop` is set; leaves it
    // running.
    void run(const std::atomic<bool>& stop);
    // Keeps the last run's figures and closes the library.
    void close();

    int restarts() const { return m_restarts; }
    int failedStarts() const { return m_failedStarts; }
    const CallbackFigures& figures() const { return m_figures; }

private:
    RunEpoch& m_epoch;
    const int m_voices;
    std::mt19937 m_random;
    int m_restarts = 0;
    int m_failedStarts = 0;
    int m_rateChoice = 0;
    CallbackFigures m_figures;
};

} // namespace soak

#endif
