// Which process this is. A forked child gets a copy of the library without its threads
// (the audio callback's, the song worker's) and shares its parent's device: the parts
// that own threads compare the process they started in with this to tell a child's copy.
#ifndef PELGRA_AUDIO_CURRENT_PROCESS_H
#define PELGRA_AUDIO_CURRENT_PROCESS_H

#include <cstdint>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace pelgra::audio {

inline std::int64_t currentProcess() noexcept {
#if defined(_WIN32)
    return _getpid(); // no fork here: one process throughout
#else
    return getpid();
#endif
}

} // namespace pelgra::audio

#endif
