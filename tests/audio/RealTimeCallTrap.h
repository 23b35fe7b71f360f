// Catches the calls the audio thread must never make: memory allocation and release,
// and taking or waiting on a lock. The program that links RealTimeCallTrap.cpp
// replaces the C allocator (which every form of operator new and delete reaches through
// the C++ runtime) and the POSIX lock and wait calls (which std::mutex,
// std::shared_mutex and std::condition_variable reach with glibc) with versions that
// note the call, then do what the originals do.
//
// A call is trapped while the trap is armed, on a thread named kAudioThreadName (the
// null output's mixing thread): the trap needs no hook in the library. Linux with
// glibc only, and not under a sanitizer, which replaces the same calls.
#ifndef PELGRA_TESTS_AUDIO_REAL_TIME_CALL_TRAP_H
#define PELGRA_TESTS_AUDIO_REAL_TIME_CALL_TRAP_H

#include <string>

namespace calltrap {

constexpr const char* kAudioThreadName = "pelgra-mix";

// Forgets what was trapped and starts trapping.
void arm();
// Stops trapping; returns once no call is being noted.
void disarm();

// How many calls were trapped while armed.
int trappedCalls();
// Each kind of call trapped, with its count, and where the first one was made: for a
// failure message. Empty when nothing was trapped.
std::string report();

} // namespace calltrap

#endif
