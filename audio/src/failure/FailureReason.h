// Why a call of the C interface failed. The code that finds a failure (the file reader,
// a decoder, the handle lookup) notes its reason here; the entry point that returns the
// failure keeps it for PelgraAudio_GetError. Everything is per application thread: a call
// fails, and is asked about, on the thread that made it. The audio thread never comes
// here.
#ifndef PELGRA_AUDIO_FAILURE_REASON_H
#define PELGRA_AUDIO_FAILURE_REASON_H

#include "PelgraAudio.h"

namespace pelgra::audio {

namespace failure_detail {
inline thread_local int t_noted = PELGRA_AUDIO_ERR_NONE;     // the reason of the call in progress
inline thread_local int t_lastError = PELGRA_AUDIO_ERR_NONE; // what PelgraAudio_GetError returns
} // namespace failure_detail

// Notes why the call in progress fails. The first reason noted in a call stays: it was
// found closest to the cause.
inline void noteFailure(int reason) noexcept {
    if (failure_detail::t_noted == PELGRA_AUDIO_ERR_NONE) {
        failure_detail::t_noted = reason;
    }
}

// Starts a call with nothing noted.
inline void beginCall() noexcept {
    failure_detail::t_noted = PELGRA_AUDIO_ERR_NONE;
}

// The call failed: its noted reason, or `fallback` when nothing was noted, becomes the
// thread's last error.
inline void endFailedCall(int fallback) noexcept {
    const int noted = failure_detail::t_noted;
    failure_detail::t_lastError = noted != PELGRA_AUDIO_ERR_NONE ? noted : fallback;
}

inline int lastError() noexcept {
    return failure_detail::t_lastError;
}

} // namespace pelgra::audio

#endif
