// One application thread of the soak test: random calls of the engine's objects and of
// the audio library, on sound effects and songs of its own, while another thread starts
// and closes the library. It checks what must hold whatever the timing: a good file
// loads while the library runs, a bad one never does, and a freed or closed-away
// handle is refused.
#ifndef PELGRA_SOAK_APP_THREAD_H
#define PELGRA_SOAK_APP_THREAD_H

#include "PelgraAudio.h"
#include "PelgraSoundEngine.h"
#include "RunEpoch.h"
#include "SoakFiles.h"
#include "Tally.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace soak {

class AppThread {
public:
    AppThread(const SoakFiles& files, const RunEpoch& epoch, int voices, std::uint32_t seed);

    // Makes random calls until `stop` is set.
    void run(const std::atomic<bool>& stop);

    // Sound effects and songs held, through handles and engine objects.
    std::size_t holding() const;
    // Frees everything held; returns how many frees the library accepted.
    std::size_t releaseAll();

    const Tally& tally() const { return m_tally; }

private:
    template <typename Handle> struct Held {
        Handle* handle;
        std::uint64_t epoch; // read after the load returned it
    };

    void callOnce();
    void loadSample();
    void loadSong();
    void playSample();
    void pauseOrStopVoices();
    void freeSample();
    void songCall();
    void freeSong();
    void callStale();
    void setVolume();

    // Frees one engine object or handle of a kind, or passes a null handle when none is
    // held; a handle the library took back joins `freed`.
    template <typename Object, typename Handle>
    void freeOne(std::vector<std::unique_ptr<Object>>& objects, void (Object::*release)(),
                 std::vector<Held<Handle>>& handles, int (*freeHandle)(Handle*),
                 std::vector<Handle*>& freed);

    // Records a load of a good or bad file; `before` is the run epoch before it started.
    void noteLoad(bool good, bool loaded, std::uint64_t before);
    // Records a call on a handle: refused is what the call returned for "did nothing".
    void noteHandleCall(bool stale, bool refused);
    template <typename Handle> bool isStale(const Held<Handle>& held) const {
        return RunEpoch::closedSince(held.epoch, m_epoch.now());
    }

    bool chance(double probability);
    std::size_t pickIndex(std::size_t size);
    template <typename Item> const Item& pick(const std::vector<Item>& items) {
        return items[pickIndex(items.size())];
    }
    template <typename Item> void forget(std::vector<Item>& items, std::size_t index) {
        items[index] = std::move(items.back());
        items.pop_back();
    }
    template <typename Handle> void remember(std::vector<Handle*>& freed, Handle* handle);
    int anyVoice();

    const SoakFiles& m_files;
    const RunEpoch& m_epoch;
    const int m_voices;
    std::mt19937 m_random;
    Tally m_tally;

    std::vector<Held<FSOUND_SAMPLE>> m_samples;
    std::vector<Held<FMUSIC_MODULE>> m_songs;
    std::vector<std::unique_ptr<CSoundFX>> m_effects;
    std::vector<std::unique_ptr<CSong>> m_tunes;
    std::vector<FSOUND_SAMPLE*> m_freedSamples;
    std::vector<FMUSIC_MODULE*> m_freedSongs;
};

} // namespace soak

#endif
