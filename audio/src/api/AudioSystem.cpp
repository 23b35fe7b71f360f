#include "api/AudioSystem.h"

#include "mixer/MixRate.h"
#include "output/OutputFactory.h"
#include "sample/SampleLoader.h"

#include <algorithm>
#include <cstdlib>

namespace pelgra::audio {

namespace {
constexpr const char* kOutputVariable = "PELGRA_AUDIO_OUTPUT";
constexpr const char* kDefaultOutput = "sdl";

// The C interface's bounds and voice selectors pass through to the library unchanged.
static_assert(kMinMixRate == PELGRA_AUDIO_MIN_RATE && kMaxMixRate == PELGRA_AUDIO_MAX_RATE);
static_assert(Mixer::kAnyVoice == FSOUND_FREE && Mixer::kAllVoices == FSOUND_ALL);

// A volume of the C interface, 0..255 (clamped), as a gain 0..1.
float volumeGain(int volume) {
    return static_cast<float>(std::clamp(volume, 0, PELGRA_AUDIO_MAX_VOLUME)) /
           PELGRA_AUDIO_MAX_VOLUME;
}
} // namespace

AudioSystem& AudioSystem::instance() {
    // Never destroyed: static destructors of the application may still call in.
    static AudioSystem* const system = new AudioSystem();
    return *system;
}

std::string AudioSystem::chosenOutput() const {
    if (m_outputOverride) {
        return *m_outputOverride;
    }
    const char* fromEnvironment = std::getenv(kOutputVariable);
    return fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment
                                                                  : kDefaultOutput;
}

bool AudioSystem::setOutput(const char* name) {
    std::lock_guard lock(m_mutex);
    if (m_session) {
        noteFailure(Failure::AlreadyRunning);
        return false;
    }
    if (name != nullptr && !isOutputName(name)) {
        noteFailure(Failure::UnknownOutput);
        return false;
    }
    m_outputOverride = name != nullptr ? std::optional<std::string>(name) : std::nullopt;
    return true;
}

bool AudioSystem::init(int mixRate, int voices) {
    if (!isMixRate(mixRate) || voices < 1 || voices > PELGRA_AUDIO_MAX_VOICES) {
        noteFailure(Failure::InvalidArgument);
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (m_session) {
        noteFailure(Failure::AlreadyRunning);
        return false;
    }
    auto session =
        std::make_unique<Session>(mixRate, voices, ++m_sessionsStarted, m_samples, m_songs);
    session->mixer.setCpuTiming(m_cpuTiming);
    session->output = makeOutput(chosenOutput(), mixRate, m_renderGate);
    if (!session->output) {
        noteFailure(Failure::UnknownOutput);
        return false;
    }
    if (!session->output->start(session->mixer)) {
        noteFailure(Failure::OutputNotOpened);
        return false;
    }
    m_session = std::move(session);
    return true;
}

void AudioSystem::close() {
    std::lock_guard lock(m_mutex);
    if (!m_session) {
        return;
    }
    if (m_session->process != currentProcess()) {
        // A forked child's copy: stopping it would wait for threads that exist only in
        // the parent and close the parent's device. Let go of it, leaking the copy.
        m_renderGate.abandon();
        m_songs.abandonAll();
        m_samples.abandonAll();
        static_cast<void>(m_session.release());
        return;
    }
    // No mix runs after this, so everything can go at once.
    m_session->output->stop();
    m_songs.removeAll();
    m_samples.removeAll();
    m_session.reset();
}

bool AudioSystem::setMasterVolume(int volume) {
    return withSession(false, [&](Session& session) {
        session.mixer.setMasterGain(volumeGain(volume));
        return true;
    });
}

bool AudioSystem::setMusicVolume(int volume) {
    return withSession(false, [&](Session& session) {
        session.mixer.setMusicGain(volumeGain(volume));
        return true;
    });
}

bool AudioSystem::setLimiter(bool enabled) {
    return withSession(false, [&](Session& session) {
        session.mixer.setLimiterEnabled(enabled);
        return true;
    });
}

std::uintptr_t AudioSystem::loadSample(const SourceMaker& makeSource, unsigned int mode, int offset,
                                       int length) {
    SampleRequest request;
    request.loops = (mode & FSOUND_LOOP_NORMAL) != 0;
    request.firstFrame = offset;
    request.frameCount = length;
    const std::uint64_t serial = withSession(std::uint64_t{0}, [&](Session& session) {
        request.mixRate = session.mixer.mixRate();
        session.retiredSamples.collect(session.mixer);
        return session.serial;
    });
    if (serial == 0) {
        return 0;
    }
    // Reading and decoding take long: other application threads go on meanwhile.
    std::unique_ptr<ByteSource> source = makeSource();
    if (!source) {
        return 0;
    }
    std::unique_ptr<Sample> sample = pelgra::audio::loadSample(std::move(source), request);
    if (!sample) {
        return 0;
    }
    return keepLoaded(serial, m_samples, std::move(sample));
}

bool AudioSystem::freeSample(std::uintptr_t handle) {
    return withSession(false, [&](Session& session) {
        // Room first: past this point nothing may fail, or a sample that voices still
        // read would be destroyed on the way out.
        session.retiredSamples.reserveOne();
        std::unique_ptr<Sample> sample = session.samples.remove(handle);
        if (!sample) {
            return false;
        }
        session.retiredSamples.retire(session.mixer, std::move(sample));
        session.retiredSamples.collect(session.mixer);
        return true;
    });
}

int AudioSystem::play(int voice, std::uintptr_t sampleHandle) {
    return withSession(-1, [&](Session& session) {
        const Sample* sample = session.samples.find(sampleHandle);
        if (sample == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return -1;
        }
        return session.mixer.play(voice, *sample);
    });
}

bool AudioSystem::setPaused(int voice, bool paused) {
    return withSession(false,
                       [&](Session& session) { return session.mixer.setPaused(voice, paused); });
}

bool AudioSystem::stop(int voice) {
    return withSession(false, [&](Session& session) { return session.mixer.stop(voice); });
}

bool AudioSystem::setVoiceVolume(int voice, int volume) {
    return withSession(false, [&](Session& session) {
        if (volume < 0 || volume > PELGRA_AUDIO_MAX_VOLUME) {
            noteFailure(Failure::InvalidArgument);
            return false;
        }
        return session.mixer.setVoiceVolume(voice, volumeGain(volume));
    });
}

bool AudioSystem::setVoicePan(int voice, int pan) {
    return withSession(false, [&](Session& session) {
        if (pan < PELGRA_AUDIO_PAN_LEFT || pan > PELGRA_AUDIO_PAN_RIGHT) {
            noteFailure(Failure::InvalidArgument);
            return false;
        }
        return session.mixer.setVoicePan(voice, static_cast<float>(pan));
    });
}

bool AudioSystem::setVoicePitch(int voice, float ratio) {
    return withSession(false, [&](Session& session) {
        // Written so that NaN fails too.
        if (!(ratio >= PELGRA_AUDIO_MIN_PITCH && ratio <= PELGRA_AUDIO_MAX_PITCH)) {
            noteFailure(Failure::InvalidArgument);
            return false;
        }
        return session.mixer.setVoicePitch(voice, ratio);
    });
}

bool AudioSystem::sampleInfo(std::uintptr_t handle, PelgraAudioSampleInfo& info) {
    return withSession(false, [&](Session& session) {
        const Sample* sample = session.samples.find(handle);
        if (sample == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return false;
        }
        // A sample holds at most kMaxSampleFloats floats: its frames fit an int.
        info.channels = sample->channels;
        info.fileRate = sample->fileRate;
        info.frames = static_cast<int>(sample->frames);
        info.lengthMs = static_cast<int>(sample->frames * 1000 / session.mixer.mixRate());
        info.loops = sample->loops ? 1 : 0;
        info.loopStart = static_cast<int>(sample->loopStart);
        return true;
    });
}

PelgraAudioStats AudioSystem::stats() {
    return withSession(PelgraAudioStats{}, [](Session& session) {
        const MixStatsSnapshot mix = session.mixer.stats();
        PelgraAudioStats stats{};
        stats.framesMixed = mix.framesMixed;
        stats.callbacks = mix.callbacks;
        stats.longestCallbackMicros = mix.longestCallbackMicros;
        stats.longestGapMicros = mix.longestGapMicros;
        stats.longestCallbackCpuMicros = mix.longestCallbackCpuMicros;
        stats.bufferFrames = static_cast<unsigned int>(session.output->bufferFrames());
        stats.mixRate = session.mixer.mixRate();
        stats.voicesInUse = mix.voicesInUse;
        stats.samplesAlive = static_cast<int>(session.samples.size());
        stats.songsAlive = static_cast<int>(session.songs.size());
        session.songs.forEach([&](const LoadedSong& loaded) {
            stats.songsPlaying += loaded.song->isPlaying() ? 1 : 0;
        });
        stats.peakLeft = mix.peakLeft;
        stats.peakRight = mix.peakRight;
        stats.gainReductionDb = mix.gainReductionDb;
        return stats;
    });
}

bool AudioSystem::outputState(OutputState& state) {
    return withSession(false, [&](Session& session) {
        state = session.output->state();
        return true;
    });
}

void AudioSystem::resetStats() {
    withSession(0, [](Session& session) {
        session.mixer.resetStats();
        return 0;
    });
}

void AudioSystem::setCpuTiming(bool on) {
    std::lock_guard lock(m_mutex);
    m_cpuTiming = on;
    if (m_session) {
        m_session->mixer.setCpuTiming(on);
    }
}

} // namespace pelgra::audio
