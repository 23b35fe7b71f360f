// Everything that exists while the library runs, between FSOUND_Init and FSOUND_Close.
// Touched only under the library's application lock (the audio thread sees the mixer).
// The handle tables outlive every session, so that a handle from an earlier run stays
// stale instead of matching an object of a later one.
#ifndef PELGRA_AUDIO_SESSION_H
#define PELGRA_AUDIO_SESSION_H

#include "handles/HandleTable.h"
#include "mixer/Mixer.h"
#include "mixer/RetiredSamples.h"
#include "mixer/StreamSource.h"
#include "output/Output.h"
#include "platform/CurrentProcess.h"
#include "sample/Sample.h"
#include "song/Song.h"

#include <cstdint>
#include <memory>

namespace pelgra::audio {

// A loaded song and the mixer slot it is mixed from while it plays (-1 while it has
// none): a song takes a slot at its play and keeps it after a stop until its fade-out
// has been mixed and another song wants the slot.
struct LoadedSong {
    std::unique_ptr<Song> song;
    int slot = -1;
};

struct Session {
    using SampleTable = HandleTable<Sample, HandleKind::Sample>;
    using SongTable = HandleTable<LoadedSong, HandleKind::Song>;

    Session(int mixRate, int voices, std::uint64_t serial, SampleTable& samples, SongTable& songs)
        : serial(serial), mixer(mixRate, voices), samples(samples), songs(songs) {}

    // Tells one run of the library from the next (from 1), for a load that spans a close.
    const std::uint64_t serial;
    // The process that started it: a forked child holds a copy whose threads and device
    // are its parent's.
    const std::int64_t process = currentProcess();
    Mixer mixer;
    SampleTable& samples;
    SongTable& songs;
    RetiredSamples retiredSamples;
    // Last, so it is destroyed (stopped) before anything the mixer reads.
    std::unique_ptr<Output> output;
};

} // namespace pelgra::audio

#endif
