// Why a call of the C interface failed. The code that finds a failure (the file reader,
// a decoder, the handle lookup) notes its reason here; the entry point that returns the
// failure keeps it for PelgraAudio_GetError. Everything is per application thread: a call
// fails, and is asked about, on the thread that made it. The audio thread never comes
// here.
#ifndef PELGRA_AUDIO_FAILURE_REASON_H
#define PELGRA_AUDIO_FAILURE_REASON_H

#include "failure/Failure.h"

namespace pelgra::audio {

namespace failure_detail {
inline thread_local Failure t_noted = Failure::None;     // the reason of the call in progress
inline thread_local Failure t_lastError = Failure::None; // what PelgraAudio_GetError reports
} // namespace failure_detail

// Notes why the call in progress fails. The first reason noted in a call stays: it was
// found closest to the cause.
inline void noteFailure(Failure reason) noexcept {
    if (failure_detail::t_noted == Failure::None) {
        failure_detail::t_noted = reason;
    }
}

// Starts a call with nothing noted.
inline void beginCall() noexcept {
    failure_detail::t_noted = Failure::None;
}

// The call failed: its noted reason, or `fallback` when nothing was noted, becomes the
// thread's last error.
inline void endFailedCall(Failure fallback) noexcept {
    const Failure noted = failure_detail::t_noted;
    failure_detail::t_lastError = noted != Failure::None ? noted : fallback;
}

inline Failure lastError() noexcept {
    return failure_detail::t_lastError;
}

} // namespace pelgra::audio

#endif
