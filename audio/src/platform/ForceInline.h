// Inlines a function at every call, whatever the compiler's own weighing: for the few
// small kernels of the audio thread whose cost is mostly the call around them.
#ifndef PELGRA_AUDIO_FORCE_INLINE_H
#define PELGRA_AUDIO_FORCE_INLINE_H

#if defined(_MSC_VER) && !defined(__clang__)
#define PELGRA_AUDIO_FORCE_INLINE __forceinline
#else
#define PELGRA_AUDIO_FORCE_INLINE inline __attribute__((always_inline))
#endif

#endif
