// The song calls of the library object: each song is opened on the calling thread,
// mixed from a stream-source slot while it plays, and controlled under the application
// lock, so that no other thread can free it meanwhile. Loading is limited by the handle
// table alone; the mixer's slots limit only the songs heard at once. The mixer lets a
// song rest once its stop or pause has faded out: every call that changes a song wakes
// its slot after the change.
#include "api/AudioSystem.h"

#include <cstdint>

namespace pelgra::audio {

namespace {

// Applies act(Song&) to the song, then has the mixer pull it again if it rested.
template <typename Act> void change(Session& session, LoadedSong& loaded, Act&& act) {
    act(*loaded.song);
    if (loaded.slot >= 0) {
        session.mixer.wakeSource(loaded.slot);
    }
}

} // namespace

template <typename Act> bool AudioSystem::withSong(std::uintptr_t handle, Act&& act) {
    return withSession(false, [&](Session& session) {
        LoadedSong* loaded = session.songs.find(handle);
        if (loaded == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return false;
        }
        change(session, *loaded, act);
        return true;
    });
}

namespace {

// Frees the slots of songs whose fade-out after a stop has been mixed to the end.
void releaseFadedSlots(Session& session) {
    session.songs.forEach([&](LoadedSong& loaded) {
        if (loaded.slot >= 0 && loaded.song->stoppedAndSilent()) {
            session.mixer.detachSource(loaded.slot);
            loaded.slot = -1;
        }
    });
}

bool attach(Session& session, LoadedSong& loaded) {
    if (loaded.slot < 0) {
        loaded.slot = session.mixer.attachSource(*loaded.song);
    }
    if (loaded.slot < 0) {
        releaseFadedSlots(session);
        loaded.slot = session.mixer.attachSource(*loaded.song);
    }
    return loaded.slot >= 0;
}

} // namespace

std::uintptr_t AudioSystem::loadSong(const SourceMaker& makeSource) {
    const auto running =
        withSession(std::optional<std::pair<int, std::uint64_t>>{}, [](Session& session) {
            return std::make_optional(std::make_pair(session.mixer.mixRate(), session.serial));
        });
    if (!running) {
        return 0;
    }
    // Reading and parsing the file takes long: other application threads go on meanwhile.
    std::unique_ptr<ByteSource> source = makeSource();
    if (!source) {
        return 0;
    }
    auto loaded = std::make_unique<LoadedSong>();
    loaded->song = Song::open(std::move(source), running->first);
    if (!loaded->song) {
        return 0;
    }
    return keepLoaded(running->second, m_songs, std::move(loaded));
}

bool AudioSystem::freeSong(std::uintptr_t handle) {
    std::unique_ptr<LoadedSong> freed = withSession(
        std::unique_ptr<LoadedSong>{}, [&](Session& session) -> std::unique_ptr<LoadedSong> {
            std::unique_ptr<LoadedSong> loaded = session.songs.remove(handle);
            if (loaded && loaded->slot >= 0) {
                // Returns once the audio thread can no longer reach the song.
                session.mixer.detachSource(loaded->slot);
            }
            return loaded;
        });
    // Destroyed here, outside the lock: the song waits for its renderer to let go of it.
    return freed != nullptr;
}

bool AudioSystem::playSong(std::uintptr_t handle) {
    return withSession(false, [&](Session& session) {
        LoadedSong* loaded = session.songs.find(handle);
        if (loaded == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return false;
        }
        if (!attach(session, *loaded)) {
            noteFailure(Failure::LimitReached);
            return false;
        }
        change(session, *loaded, [](Song& song) { song.play(); });
        return true;
    });
}

bool AudioSystem::stopSong(std::uintptr_t handle) {
    return withSong(handle, [](Song& song) { song.stop(); });
}

bool AudioSystem::setSongPaused(std::uintptr_t handle, bool paused) {
    return withSong(handle, [&](Song& song) { song.setPaused(paused); });
}

namespace {

static_assert(PELGRA_AUDIO_SONG_MODULE == 1 && PELGRA_AUDIO_SONG_MIDI == 2 &&
              PELGRA_AUDIO_SONG_STREAM == 3);

int publicKind(SongKind kind) {
    switch (kind) {
    case SongKind::Module:
        return PELGRA_AUDIO_SONG_MODULE;
    case SongKind::Midi:
        return PELGRA_AUDIO_SONG_MIDI;
    case SongKind::Stream:
        return PELGRA_AUDIO_SONG_STREAM;
    }
    return 0;
}

// Copies as much of the text as fits, always terminated (the field starts zeroed).
template <std::size_t Size> void copyText(char (&field)[Size], const std::string& text) {
    text.copy(field, Size - 1);
}

} // namespace

bool AudioSystem::songInfo(std::uintptr_t handle, PelgraAudioSongInfo& info) {
    return withSession(false, [&](Session& session) {
        const LoadedSong* loaded = session.songs.find(handle);
        if (loaded == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return false;
        }
        const SongInfo& facts = loaded->song->info();
        info.kind = publicKind(facts.kind);
        info.channels = facts.channels;
        info.fileRate = facts.fileRate;
        info.lengthMs = facts.lengthMs;
        info.loopStartMs = facts.loopStartMs;
        info.loopEndMs = facts.loopEndMs;
        copyText(info.format, facts.format);
        copyText(info.title, facts.title);
        return true;
    });
}

int AudioSystem::songPosition(std::uintptr_t handle) {
    return withSession(-1, [&](Session& session) {
        const LoadedSong* loaded = session.songs.find(handle);
        if (loaded == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return -1;
        }
        return loaded->song->positionMs();
    });
}

bool AudioSystem::stopAllSongs() {
    return withSession(false, [](Session& session) {
        session.songs.forEach(
            [&](LoadedSong& loaded) { change(session, loaded, [](Song& song) { song.stop(); }); });
        return true;
    });
}

namespace {

static_assert(SongVolume::kMaxVolume == PELGRA_AUDIO_MAX_VOLUME);
static_assert(SongVolume::kGlideFrames == Mixer::kBlockFrames);
static_assert(std::int64_t{PELGRA_AUDIO_MAX_FADE_MILLIS} * PELGRA_AUDIO_MAX_RATE / 1000 <=
              SongVolume::kMaxFadeFrames);

// Runs act(Song&, the fade's length in frames) on a live song, for a volume call whose
// arguments are in range (checked after the handle), then wakes the song's slot.
template <typename Act>
bool changeVolume(AudioSystem& system, std::uintptr_t handle, int volume, int milliseconds,
                  Act&& act) {
    return system.withSession(false, [&](Session& session) {
        LoadedSong* loaded = session.songs.find(handle);
        if (loaded == nullptr) {
            noteFailure(Failure::InvalidHandle);
            return false;
        }
        if (volume < 0 || volume > PELGRA_AUDIO_MAX_VOLUME || milliseconds < 0 ||
            milliseconds > PELGRA_AUDIO_MAX_FADE_MILLIS) {
            noteFailure(Failure::InvalidArgument);
            return false;
        }
        const std::int64_t frames = std::int64_t{milliseconds} * session.mixer.mixRate() / 1000;
        change(session, *loaded, [&](Song& song) { act(song, frames); });
        return true;
    });
}

} // namespace

bool AudioSystem::setSongVolume(std::uintptr_t handle, int volume) {
    return changeVolume(*this, handle, volume, 0,
                        [&](Song& song, std::int64_t) { song.setVolume(volume); });
}

bool AudioSystem::fadeSong(std::uintptr_t handle, int volume, int milliseconds, bool stop) {
    return changeVolume(*this, handle, volume, milliseconds, [&](Song& song, std::int64_t frames) {
        song.fadeVolume(volume, frames, stop);
    });
}

} // namespace pelgra::audio
