// What one thread of the soak test did and saw; summed over the threads at the end.
#ifndef PELGRA_SOAK_TALLY_H
#define PELGRA_SOAK_TALLY_H

#include <cstdint>

namespace soak {

struct Tally {
    std::uint64_t calls = 0;
    std::uint64_t engineCalls = 0; // of them, through CSoundFX, CSong and SetMasterVolume

    std::uint64_t goodLoadsWhileRunning = 0; // the library ran from before to after
    std::uint64_t goodLoadsFailed = 0;       // of those, refused: must stay 0
    std::uint64_t goodLoadsAcrossRestart = 0;
    std::uint64_t badLoads = 0;
    std::uint64_t badLoadsAccepted = 0; // must stay 0

    std::uint64_t staleCalls = 0;         // on handles freed, or dropped by a finished close
    std::uint64_t staleCallsAccepted = 0; // must stay 0

    std::uint64_t plays = 0;
    std::uint64_t playsStarted = 0;

    Tally& operator+=(const Tally& other) {
        calls += other.calls;
        engineCalls += other.engineCalls;
        goodLoadsWhileRunning += other.goodLoadsWhileRunning;
        goodLoadsFailed += other.goodLoadsFailed;
        goodLoadsAcrossRestart += other.goodLoadsAcrossRestart;
        badLoads += other.badLoads;
        badLoadsAccepted += other.badLoadsAccepted;
        staleCalls += other.staleCalls;
        staleCallsAccepted += other.staleCallsAccepted;
        plays += other.plays;
        playsStarted += other.playsStarted;
        return *this;
    }
};

} // namespace soak

#endif
