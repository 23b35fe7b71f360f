// Names the library's own threads, so that a debugger, a profiler and the system's
// thread lists tell them apart from the application's.
#ifndef PELGRA_AUDIO_THREAD_NAME_H
#define PELGRA_AUDIO_THREAD_NAME_H

namespace pelgra::audio {

// Names the calling thread. `name` is ASCII of at most 15 characters (Linux keeps no
// more). Where the system cannot name threads, the thread stays unnamed. Any thread;
// called by a thread of the library as it starts.
void nameThisThread(const char* name) noexcept;

} // namespace pelgra::audio

#endif
