#include "AppThread.h"

#include <chrono>
#include <string>
#include <thread>

namespace soak {
namespace {

// Held at once by one thread: enough to keep voices and songs busy, bounded in memory.
constexpr std::size_t kMaxSamples = 8;
constexpr std::size_t kMaxEffects = 4;
constexpr std::size_t kMaxSongs = 2;
constexpr std::size_t kMaxTunes = 1;
constexpr std::size_t kMaxFreed = 64;
// A game's threads do other work between calls: a short random pause after each.
constexpr int kMaxPauseMicros = 300;

// The engine takes names as char*: a copy it may keep its hands on.
struct MutableName {
    explicit MutableName(const char* name) : text(name != nullptr ? name : "") {}
    char* get(const char* name) { return name != nullptr ? text.data() : nullptr; }
    std::string text;
};

} // namespace

AppThread::AppThread(const SoakFiles& files, const RunEpoch& epoch, int voices, std::uint32_t seed)
    : m_files(files), m_epoch(epoch), m_voices(voices), m_random(seed) {}

void AppThread::run(const std::atomic<bool>& stop) {
    std::uniform_int_distribution<int> pause(0, kMaxPauseMicros);
    while (!stop.load(std::memory_order_relaxed)) {
        callOnce();
        std::this_thread::sleep_for(std::chrono::microseconds(pause(m_random)));
    }
}

void AppThread::callOnce() {
    // Weights of the kinds of call, in the order of the switch below.
    static const std::vector<double> kWeights = {8, 2, 20, 12, 6, 8, 2, 4, 4};
    std::discrete_distribution<int> kind(kWeights.begin(), kWeights.end());
    switch (kind(m_random)) {
    case 0:
        loadSample();
        break;
    case 1:
        loadSong();
        break;
    case 2:
        playSample();
        break;
    case 3:
        pauseOrStopVoices();
        break;
    case 4:
        freeSample();
        break;
    case 5:
        songCall();
        break;
    case 6:
        freeSong();
        break;
    case 7:
        callStale();
        break;
    default:
        setVolume();
        break;
    }
}

void AppThread::loadSample() {
    const bool viaEngine = chance(0.3);
    if ((viaEngine ? m_effects.size() >= kMaxEffects : m_samples.size() >= kMaxSamples)) {
        freeSample();
        return;
    }
    const bool good = chance(0.7);
    const char* name = good ? pick(m_files.goodSamples()).c_str() : pick(m_files.badSamples());
    const bool loop = chance(0.5);
    const std::uint64_t before = m_epoch.now();
    bool loaded = false;
    if (viaEngine) {
        auto effect = std::make_unique<CSoundFX>();
        MutableName copy(name);
        loaded = effect->LoadFromFile(copy.get(name), loop);
        m_effects.push_back(std::move(effect));
        ++m_tally.engineCalls;
    } else {
        const unsigned int mode = loop ? FSOUND_NORMAL | FSOUND_LOOP_NORMAL : FSOUND_NORMAL;
        FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, name, mode, 0, 0);
        loaded = sample != nullptr;
        if (loaded) {
            m_samples.push_back({sample, m_epoch.now()});
        }
    }
    noteLoad(good, loaded, before);
}

void AppThread::loadSong() {
    const bool viaEngine = chance(0.3);
    if ((viaEngine ? m_tunes.size() >= kMaxTunes : m_songs.size() >= kMaxSongs)) {
        freeSong();
        return;
    }
    const bool good = chance(0.7);
    const char* name = good ? pick(m_files.goodSongs()).c_str() : pick(m_files.badSongs());
    const std::uint64_t before = m_epoch.now();
    bool loaded = false;
    if (viaEngine) {
        auto tune = std::make_unique<CSong>();
        MutableName copy(name);
        loaded = tune->LoadFromFile(copy.get(name));
        m_tunes.push_back(std::move(tune));
        ++m_tally.engineCalls;
    } else {
        FMUSIC_MODULE* song = FMUSIC_LoadSong(name);
        loaded = song != nullptr;
        if (loaded) {
            m_songs.push_back({song, m_epoch.now()});
        }
    }
    noteLoad(good, loaded, before);
}

void AppThread::playSample() {
    ++m_tally.calls;
    ++m_tally.plays;
    if (!m_effects.empty() && chance(0.3)) {
        pick(m_effects)->Play();
        ++m_tally.engineCalls;
        return;
    }
    if (m_samples.empty()) {
        // Nothing held: a play of nothing, which must be refused.
        noteHandleCall(true, FSOUND_PlaySound(FSOUND_FREE, nullptr) == -1);
        return;
    }
    const std::size_t index = pickIndex(m_samples.size());
    const bool stale = isStale(m_samples[index]);
    const int voice =
        FSOUND_PlaySound(chance(0.8) ? FSOUND_FREE : anyVoice(), m_samples[index].handle);
    m_tally.playsStarted += voice >= 0 ? 1 : 0;
    noteHandleCall(stale, voice == -1);
    if (stale) {
        forget(m_samples, index);
    }
}

void AppThread::pauseOrStopVoices() {
    ++m_tally.calls;
    const int voice = chance(0.5) ? FSOUND_ALL : anyVoice();
    if (!m_effects.empty() && chance(0.2)) {
        CSoundFX& effect = *pick(m_effects);
        chance(0.5) ? effect.Pause(chance(0.5)) : effect.Stop();
        ++m_tally.engineCalls;
    } else if (chance(0.6)) {
        FSOUND_SetPaused(voice, chance(0.5) ? 1 : 0);
    } else {
        FSOUND_StopSound(voice);
    }
}

void AppThread::freeSample() {
    freeOne(m_effects, &CSoundFX::FreeSound, m_samples, FSOUND_Sample_Free, m_freedSamples);
}

void AppThread::songCall() {
    ++m_tally.calls;
    if (chance(0.05)) {
        FMUSIC_StopAllSongs();
        return;
    }
    const int action = static_cast<int>(pickIndex(3));
    if (!m_tunes.empty() && (m_songs.empty() || chance(0.3))) {
        CSong& tune = *pick(m_tunes);
        action == 0 ? tune.Play() : action == 1 ? tune.Pause(chance(0.5)) : tune.Stop();
        ++m_tally.engineCalls;
        return;
    }
    if (m_songs.empty()) {
        noteHandleCall(true, FMUSIC_PlaySong(nullptr) == 0);
        return;
    }
    const std::size_t index = pickIndex(m_songs.size());
    const bool stale = isStale(m_songs[index]);
    FMUSIC_MODULE* song = m_songs[index].handle;
    // Stops half the time; otherwise a volume fade, or a fade-out that stops on the audio thread.
    const int done = action == 0   ? FMUSIC_PlaySong(song)
                     : action == 1 ? FMUSIC_SetPaused(song, chance(0.5) ? 1 : 0)
                     : chance(0.5) ? FMUSIC_StopSong(song)
                     : chance(0.5)
                         ? PelgraAudio_FadeSong(song, static_cast<int>(pickIndex(256)),
                                                static_cast<int>(pickIndex(500)))
                         : PelgraAudio_FadeSongOut(song, static_cast<int>(pickIndex(300)));
    noteHandleCall(stale, done == 0);
    if (stale) {
        forget(m_songs, index);
    }
}

void AppThread::freeSong() {
    freeOne(m_tunes, &CSong::FreeSong, m_songs, FMUSIC_FreeSong, m_freedSongs);
}

template <typename Object, typename Handle>
void AppThread::freeOne(std::vector<std::unique_ptr<Object>>& objects, void (Object::*release)(),
                        std::vector<Held<Handle>>& handles, int (*freeHandle)(Handle*),
                        std::vector<Handle*>& freed) {
    ++m_tally.calls;
    if (!objects.empty() && (handles.empty() || chance(0.3))) {
        const std::size_t index = pickIndex(objects.size());
        (objects[index].get()->*release)();
        forget(objects, index);
        ++m_tally.engineCalls;
        return;
    }
    if (handles.empty()) {
        noteHandleCall(true, freeHandle(nullptr) == 0);
        return;
    }
    const std::size_t index = pickIndex(handles.size());
    const Held<Handle> held = handles[index];
    const bool stale = isStale(held);
    const bool accepted = freeHandle(held.handle) == 1;
    noteHandleCall(stale, !accepted);
    if (accepted) {
        remember(freed, held.handle);
    }
    forget(handles, index);
}

void AppThread::callStale() {
    ++m_tally.calls;
    if (!m_freedSongs.empty() && (m_freedSamples.empty() || chance(0.3))) {
        FMUSIC_MODULE* song = pick(m_freedSongs);
        noteHandleCall(true, FMUSIC_PlaySong(song) == 0 && FMUSIC_SetPaused(song, 1) == 0 &&
                                 FMUSIC_FreeSong(song) == 0);
    } else if (!m_freedSamples.empty()) {
        FSOUND_SAMPLE* sample = pick(m_freedSamples);
        noteHandleCall(true, FSOUND_PlaySound(FSOUND_FREE, sample) == -1 &&
                                 FSOUND_Sample_Free(sample) == 0);
    }
}

void AppThread::setVolume() {
    ++m_tally.calls;
    if (chance(0.5)) {
        SetMasterVolume(static_cast<unsigned char>(pickIndex(256)));
        ++m_tally.engineCalls;
    } else {
        FSOUND_SetSFXMasterVolume(static_cast<int>(pickIndex(400)) - 50);
    }
    if (chance(0.1)) {
        PelgraAudioStats stats{};
        PelgraAudio_GetStats(&stats);
    }
}

std::size_t AppThread::holding() const {
    return m_samples.size() + m_songs.size() + m_effects.size() + m_tunes.size();
}

std::size_t AppThread::releaseAll() {
    std::size_t freed = 0;
    for (const Held<FSOUND_SAMPLE>& held : m_samples) {
        freed += FSOUND_Sample_Free(held.handle) == 1 ? 1 : 0;
    }
    for (const Held<FMUSIC_MODULE>& held : m_songs) {
        freed += FMUSIC_FreeSong(held.handle) == 1 ? 1 : 0;
    }
    m_samples.clear();
    m_songs.clear();
    m_effects.clear(); // the objects free what they hold
    m_tunes.clear();
    return freed;
}

void AppThread::noteLoad(bool good, bool loaded, std::uint64_t before) {
    ++m_tally.calls;
    if (!good) {
        ++m_tally.badLoads;
        m_tally.badLoadsAccepted += loaded ? 1 : 0;
    } else if (before == m_epoch.now() && RunEpoch::running(before)) {
        ++m_tally.goodLoadsWhileRunning;
        m_tally.goodLoadsFailed += loaded ? 0 : 1;
    } else {
        ++m_tally.goodLoadsAcrossRestart;
    }
}

void AppThread::noteHandleCall(bool stale, bool refused) {
    if (stale) {
        ++m_tally.staleCalls;
        m_tally.staleCallsAccepted += refused ? 0 : 1;
    }
}

template <typename Handle> void AppThread::remember(std::vector<Handle*>& freed, Handle* handle) {
    if (freed.size() < kMaxFreed) {
        freed.push_back(handle);
    } else {
        freed[pickIndex(freed.size())] = handle;
    }
}

bool AppThread::chance(double probability) {
    return std::bernoulli_distribution(probability)(m_random);
}

std::size_t AppThread::pickIndex(std::size_t size) {
    return std::uniform_int_distribution<std::size_t>(0, size - 1)(m_random);
}

int AppThread::anyVoice() {
    return static_cast<int>(pickIndex(static_cast<std::size_t>(m_voices)));
}

} // namespace soak
