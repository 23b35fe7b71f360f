// The edge between the C interface and the C++ inside: nothing thrown inside (an
// allocation failure, a thread that cannot start) ever crosses it. Every entry point
// runs its body through guarded(), which turns any exception into the call's
// failure result.
#ifndef PELGRA_AUDIO_BOUNDARY_H
#define PELGRA_AUDIO_BOUNDARY_H

namespace pelgra::audio {

template <typename Result, typename Body> Result guarded(Result onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
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
