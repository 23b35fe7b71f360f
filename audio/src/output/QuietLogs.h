// The library prints nothing, and keeps what the device layer beneath it would print
// quiet too: SDL's own log, and on Linux the ALSA library's error messages (which SDL's
// ALSA backend triggers on machines without a sound card).
#ifndef PELGRA_AUDIO_QUIET_LOGS_H
#define PELGRA_AUDIO_QUIET_LOGS_H

namespace pelgra::audio {

// Quiet from construction to destruction; create it before the device layer starts and
// destroy it after it stopped. ALSA then gets its default handler back, so that nothing
// points into this library once it might be unloaded.
class QuietDeviceLogs {
public:
    QuietDeviceLogs();
    ~QuietDeviceLogs();
    QuietDeviceLogs(const QuietDeviceLogs&) = delete;
    QuietDeviceLogs& operator=(const QuietDeviceLogs&) = delete;

private:
    // Holds libasound loaded, so that its handler stays set until SDL loads it too.
    void* m_alsa = nullptr;
};

} // namespace pelgra::audio

#endif
