// Silences the ALSA library's error messages while the SDL output runs. The library
// prints nothing, and keeps what the device layer beneath it would print quiet too: on
// Linux, ALSA's error messages (which SDL's ALSA backend triggers on machines without a
// sound card) go to stderr unless a handler is set; elsewhere there is nothing to do.
// SDL's own log is left to the host: its audio messages are below SDL's default
// priority, and its output function and priorities are the host application's.
#ifndef PELGRA_AUDIO_ALSA_ERROR_SILENCER_H
#define PELGRA_AUDIO_ALSA_ERROR_SILENCER_H

namespace pelgra::audio {

// Silent from construction to destruction; create it before the device layer starts and
// destroy it after it stopped. The destructor puts back the handler it found (unless
// the host has set another meanwhile), so that nothing points into this library once
// it might be unloaded.
class AlsaErrorSilencer {
public:
    AlsaErrorSilencer();
    ~AlsaErrorSilencer();
    AlsaErrorSilencer(const AlsaErrorSilencer&) = delete;
    AlsaErrorSilencer& operator=(const AlsaErrorSilencer&) = delete;

private:
    // Holds libasound loaded, so that its handler stays set until SDL loads it too.
    void* m_alsa = nullptr;
    // ALSA's handler before this object set its own (a snd_lib_error_handler_t).
    void* m_previousAlsaHandler = nullptr;
};

} // namespace pelgra::audio

#endif
