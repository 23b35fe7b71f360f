// The loads from memory and from the application's callbacks: the same loads as from a
// file, from another source of bytes. Memory is copied outside the lock, once the
// library is known to run. The callbacks are taken in charge first of all, so that their
// close runs exactly once whatever becomes of the call: when the load is done with them,
// or when a streamed song is freed.
#include "PelgraAudio.h"

#include "api/AudioSystem.h"
#include "api/Boundary.h"
#include "file/CallbackSource.h"
#include "file/MemorySource.h"

#include <cstdint>

using pelgra::audio::AudioSystem;
using pelgra::audio::ByteCallbacks;
using pelgra::audio::ByteSource;
using pelgra::audio::CallbackSource;
using pelgra::audio::Failure;
using pelgra::audio::guarded;
using pelgra::audio::MemorySource;
using pelgra::audio::noteFailure;

namespace {

// Gives the callbacks' source to the load, once: a maker that is called again, which no
// load does, gets nothing.
class CallbackHandover {
public:
    CallbackHandover(const PelgraAudioIO* io, void* user) {
        if (io == nullptr) {
            return;
        }
        ByteCallbacks callbacks;
        callbacks.read = io->read;
        callbacks.seek = io->seek;
        callbacks.tell = io->tell;
        callbacks.size = io->size;
        callbacks.close = io->close;
        m_source = CallbackSource::adopt(callbacks, user);
    }

    std::unique_ptr<ByteSource> take() {
        if (m_source == nullptr || !m_source->complete()) {
            noteFailure(Failure::InvalidArgument);
            return nullptr;
        }
        return std::move(m_source);
    }

private:
    std::unique_ptr<CallbackSource> m_source;
};

FSOUND_SAMPLE* sampleFrom(const AudioSystem::SourceMaker& makeSource, unsigned int mode) {
    // An opaque number, never dereferenced.
    return reinterpret_cast<FSOUND_SAMPLE*>(
        AudioSystem::instance().loadSample(makeSource, mode, 0, 0));
}

FMUSIC_MODULE* songFrom(const AudioSystem::SourceMaker& makeSource) {
    // An opaque number, never dereferenced.
    return reinterpret_cast<FMUSIC_MODULE*>(AudioSystem::instance().loadSong(makeSource));
}

} // namespace

extern "C" {

FSOUND_SAMPLE* PelgraAudio_LoadSampleMemory(const void* data, long long bytes, unsigned int mode) {
    return guarded<FSOUND_SAMPLE*>(nullptr, Failure::FileDamaged, [&] {
        return sampleFrom([&] { return MemorySource::copyOf(data, bytes); }, mode);
    });
}

FSOUND_SAMPLE* PelgraAudio_LoadSampleIO(const PelgraAudioIO* io, void* user, unsigned int mode) {
    return guarded<FSOUND_SAMPLE*>(nullptr, Failure::FileDamaged, [&] {
        CallbackHandover handover(io, user);
        return sampleFrom([&] { return handover.take(); }, mode);
    });
}

FMUSIC_MODULE* PelgraAudio_LoadSongMemory(const void* data, long long bytes) {
    return guarded<FMUSIC_MODULE*>(nullptr, Failure::FileDamaged, [&] {
        return songFrom([&] { return MemorySource::copyOf(data, bytes); });
    });
}

FMUSIC_MODULE* PelgraAudio_LoadSongIO(const PelgraAudioIO* io, void* user) {
    return guarded<FMUSIC_MODULE*>(nullptr, Failure::FileDamaged, [&] {
        CallbackHandover handover(io, user);
        return songFrom([&] { return handover.take(); });
    });
}
}
