// The edge between the C interface and the C++ inside: nothing thrown inside (an
// allocation failure, a thread that cannot start) ever crosses it. Every entry point
// runs its body through guarded(), which turns any exception into the call's failure
// result and, when the call fails, keeps its reason for PelgraAudio_GetError.
#ifndef PELGRA_AUDIO_BOUNDARY_H
#define PELGRA_AUDIO_BOUNDARY_H

#include "failure/FailureReason.h"

#include <new>

namespace pelgra::audio {

// A call fails when it returns `onFailure`; its reason is what the body noted, or
// `fallback` when it noted nothing.
template <typename Result, typename Body>
Result guarded(Result onFailure, Failure fallback, Body&& body) noexcept {
    beginCall();
    try {
        Result result = body();
        if (result == onFailure) {
            endFailedCall(fallback);
        }
        return result;
    } catch (const std::bad_alloc&) {
        beginCall(); // whatever was noted before, memory ran out
        endFailedCall(Failure::OutOfMemory);
    } catch (...) {
        endFailedCall(Failure::Internal);
    }
    return onFailure;
}

template <typename Body> void guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        // Nothing to report: a void call that fails has done nothing harmful.
    }
}

} // namespace pelgra::audio

#endif
