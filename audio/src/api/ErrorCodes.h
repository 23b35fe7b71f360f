// The public PELGRA_AUDIO_ERR_ codes: the one place where the library's failure reasons
// become them, and the short English text of each, for PelgraAudio_GetErrorString.
#ifndef PELGRA_AUDIO_ERROR_CODES_H
#define PELGRA_AUDIO_ERROR_CODES_H

#include "PelgraAudio.h"
#include "failure/Failure.h"

namespace pelgra::audio {

// The codes run from PELGRA_AUDIO_ERR_NONE to this one without gaps; each new code is
// the highest.
constexpr int kHighestCode = PELGRA_AUDIO_ERR_FILE_OPEN;

// The PELGRA_AUDIO_ERR_ code that says `reason` (PELGRA_AUDIO_ERR_NONE for None).
int publicCode(Failure reason) noexcept;

// The text of a PELGRA_AUDIO_ERR_ code; never null; "unknown error code" for a value
// that is no code.
const char* errorText(int code) noexcept;

} // namespace pelgra::audio

#endif
