// Why a call failed, in the library's own terms: what the code that finds a failure
// notes. Only the C interface (api/) turns a reason into its public PELGRA_AUDIO_ERR_
// code, so nothing else depends on the public header for it.
#ifndef PELGRA_AUDIO_FAILURE_H
#define PELGRA_AUDIO_FAILURE_H

#include <cstdint>

namespace pelgra::audio {

enum class Failure : std::uint8_t {
    None,              // nothing failed
    NotRunning,        // a call before the library starts or after it closes
    AlreadyRunning,    // a start, or a change of output, while the library runs
    InvalidArgument,   // an argument out of its range, a null name or pointer
    InvalidHandle,     // a sample or song handle that is null, freed, stale or forged
    FileNotFound,      // no file of that name, or not a regular file
    FileNotOpened,     // the system refused to open the file (too many open, no permission)
    FileDamaged,       // empty, cut short or damaged, or a header with an impossible rate
    UnsupportedFormat, // no format read as this kind of sound (or left out of this build)
    FileTooLarge,      // a sample or song file beyond the library's size limits
    TooManyChannels,   // a sample of more than two channels
    NoSoundFont,       // a MIDI song and no SoundFont to play it with
    OutputNotOpened,   // the output (the sound device, say) could not be opened
    UnknownOutput,     // an output name that is none of this build's
    Busy,              // the command queue is full, or another render is in progress
    LimitReached,      // too many samples or songs loaded, or songs playing, at once
    OutOfMemory,       // memory, or a thread, could not be had
    Internal,          // anything else the library did not expect
};

} // namespace pelgra::audio

#endif
