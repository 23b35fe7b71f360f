// The library as one object: its lifecycle, the output choice and the running session.
// Application threads serialise on one mutex of its own, which the audio thread never
// takes. It is created on first use and never destroyed, so it still works when an
// application's static destructors call the library at exit.
#ifndef PELGRA_AUDIO_AUDIO_SYSTEM_H
#define PELGRA_AUDIO_AUDIO_SYSTEM_H

#include "PelgraAudio.h"
#include "api/Session.h"
#include "failure/FailureReason.h"
#include "file/ByteSource.h"
#include "output/ManualOutput.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace pelgra::audio {

class AudioSystem {
public:
    static AudioSystem& instance();

    bool setOutput(const char* name);
    bool init(int mixRate, int voices);
    void close();

    bool setMasterVolume(int volume);
    bool setLimiter(bool enabled);
    bool setMusicVolume(int volume);
    // Makes the source of a load once the library is known to run, outside the lock;
    // null (the reason noted) when it cannot be had.
    using SourceMaker = std::function<std::unique_ptr<ByteSource>()>;

    std::uintptr_t loadSample(const SourceMaker& makeSource, unsigned int mode, int offset,
                              int length);
    bool freeSample(std::uintptr_t handle);
    int play(int voice, std::uintptr_t sampleHandle);
    bool setPaused(int voice, bool paused);
    bool stop(int voice);
    bool setVoiceVolume(int voice, int volume);
    bool setVoicePan(int voice, int pan);
    bool setVoicePitch(int voice, float ratio);

    std::uintptr_t loadSong(const SourceMaker& makeSource);
    bool freeSong(std::uintptr_t handle);
    bool playSong(std::uintptr_t handle);
    bool stopSong(std::uintptr_t handle);
    bool setSongPaused(std::uintptr_t handle, bool paused);
    bool stopAllSongs();
    // The song's facts, copied into `info` (zeroed by the caller); false for a bad handle.
    bool songInfo(std::uintptr_t handle, PelgraAudioSongInfo& info);
    // In ms; -1 for a bad handle.
    int songPosition(std::uintptr_t handle);
    bool sampleInfo(std::uintptr_t handle, PelgraAudioSampleInfo& info);
    // The song's own volume, 0..255, at once (gliding) or faded over `milliseconds`; with
    // `stop` the fade goes to silence and stops the song.
    bool setSongVolume(std::uintptr_t handle, int volume);
    bool fadeSong(std::uintptr_t handle, int volume, int milliseconds, bool stop);

    int render(float* interleavedStereo, int frames) noexcept {
        return m_renderGate.render(interleavedStereo, frames);
    }
    PelgraAudioStats stats();
    // False when the library does not run.
    bool outputState(OutputState& state);
    void resetStats();
    void setCpuTiming(bool on);

    // Runs body(Session&) under the application lock when the library runs and
    // returns its result; returns `notRunning` otherwise.
    template <typename Result, typename Body> Result withSession(Result notRunning, Body&& body) {
        std::lock_guard lock(m_mutex);
        if (!m_session) {
            noteFailure(Failure::NotRunning);
            return notRunning;
        }
        return body(*m_session);
    }

private:
    AudioSystem() = default;
    std::string chosenOutput() const;
    // Runs act(Song&) on a live song under the application lock, then wakes its mixer
    // slot; false for anything else.
    template <typename Act> bool withSong(std::uintptr_t handle, Act&& act);
    // Files what was loaded outside the lock in `table`, for the session numbered `serial`:
    // its handle, or 0 when that session closed meanwhile (perhaps to start again) or the
    // table is full.
    template <typename Table, typename Object>
    std::uintptr_t keepLoaded(std::uint64_t serial, Table& table, std::unique_ptr<Object> object) {
        return withSession(std::uintptr_t{0}, [&](Session& session) -> std::uintptr_t {
            if (session.serial != serial) {
                noteFailure(Failure::NotRunning);
                return 0;
            }
            const std::uintptr_t handle = table.insert(std::move(object));
            if (handle == 0) {
                noteFailure(Failure::LimitReached);
            }
            return handle;
        });
    }

    std::mutex m_mutex;
    std::optional<std::string> m_outputOverride;
    Session::SampleTable m_samples;
    Session::SongTable m_songs;
    std::unique_ptr<Session> m_session;
    // Counts every start; the latest session is numbered with it.
    std::uint64_t m_sessionsStarted = 0;
    bool m_cpuTiming = false;
    ManualRenderGate m_renderGate;
};

} // namespace pelgra::audio

#endif
