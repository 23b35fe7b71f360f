#include "api/ErrorCodes.h"

#include <iterator>

namespace pelgra::audio {

namespace {

// Indexed by code: the codes run from 0 without gaps.
constexpr const char* kTexts[] = {
    "no error",
    "the audio library is not running",
    "the audio library is running already",
    "an argument is out of range",
    "not a live sample or song handle",
    "file not found",
    "the file is empty, cut short or damaged",
    "not a format the library plays as this kind of sound",
    "the file is too large",
    "more than two channels: sound effects are mono or stereo",
    "no SoundFont to play MIDI with: set PELGRA_SOUNDFONT to a .sf2 file",
    "the output could not be opened",
    "no output of that name (sdl, null or manual)",
    "too many calls at once: the command queue is full",
    "too many samples or songs loaded at once",
    "out of memory",
    "an internal error of the audio library",
    "the system refused to open the file",
};
static_assert(std::size(kTexts) == kHighestCode + 1, "one text for each code");

} // namespace

int publicCode(Failure reason) noexcept {
    switch (reason) {
    case Failure::None:
        return PELGRA_AUDIO_ERR_NONE;
    case Failure::NotRunning:
        return PELGRA_AUDIO_ERR_UNINITIALIZED;
    case Failure::AlreadyRunning:
        return PELGRA_AUDIO_ERR_INITIALIZED;
    case Failure::InvalidArgument:
        return PELGRA_AUDIO_ERR_INVALID_PARAM;
    case Failure::InvalidHandle:
        return PELGRA_AUDIO_ERR_INVALID_HANDLE;
    case Failure::FileNotFound:
        return PELGRA_AUDIO_ERR_FILE_NOTFOUND;
    case Failure::FileNotOpened:
        return PELGRA_AUDIO_ERR_FILE_OPEN;
    case Failure::FileDamaged:
        return PELGRA_AUDIO_ERR_FILE_BAD;
    case Failure::UnsupportedFormat:
        return PELGRA_AUDIO_ERR_FILE_FORMAT;
    case Failure::FileTooLarge:
        return PELGRA_AUDIO_ERR_FILE_TOO_LARGE;
    case Failure::TooManyChannels:
        return PELGRA_AUDIO_ERR_TOO_MANY_CHANNELS;
    case Failure::NoSoundFont:
        return PELGRA_AUDIO_ERR_NO_SOUNDFONT;
    case Failure::OutputNotOpened:
        return PELGRA_AUDIO_ERR_OUTPUT;
    case Failure::UnknownOutput:
        return PELGRA_AUDIO_ERR_UNKNOWN_OUTPUT;
    case Failure::Busy:
        return PELGRA_AUDIO_ERR_BUSY;
    case Failure::LimitReached:
        return PELGRA_AUDIO_ERR_LIMIT;
    case Failure::OutOfMemory:
        return PELGRA_AUDIO_ERR_MEMORY;
    case Failure::Internal:
        return PELGRA_AUDIO_ERR_INTERNAL;
    }
    return PELGRA_AUDIO_ERR_INTERNAL; // not reached: every reason has its case
}

const char* errorText(int code) noexcept {
    if (code < 0 || code >= static_cast<int>(std::size(kTexts))) {
        return "unknown error code";
    }
    return kTexts[code];
}

} // namespace pelgra::audio
