// The short English text of each PELGRA_AUDIO_ERR_ code, for PelgraAudio_GetErrorString.
#ifndef PELGRA_AUDIO_ERROR_TEXT_H
#define PELGRA_AUDIO_ERROR_TEXT_H

namespace pelgra::audio {

// Never null; "unknown error code" for a value that is no code.
const char* errorText(int code) noexcept;

} // namespace pelgra::audio

#endif
