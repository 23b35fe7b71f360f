#include "song/MidiRenderer.h"

#include "MidiChunks.h"
#include "MidiFacts.h"
#include "failure/FailureReason.h"
#include "file/InputFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fluidsynth.h>
#include <mutex>
#include <optional>

namespace pelgra::audio {
namespace {

// The player is checked for the song's end this often, so a loop starts at most
// this late.
constexpr int kRenderSlice = 256;
constexpr int kTrialFrames = 64;

// The length of one pass from the tempo map, and the first track's name.
SongInfo describe(const std::vector<std::uint8_t>& file, int mixRate) {
    SongInfo info;
    info.kind = SongKind::Midi;
    info.fileRate = mixRate;
    info.format = "MIDI";
    if (const std::optional<midi::MidiFacts> facts =
            midi::readMidiFacts(file.data(), file.size())) {
        if (facts->seconds < INT_MAX / 1000.0) {
            info.lengthMs = static_cast<int>(std::lround(facts->seconds * 1000.0));
        }
        info.title = facts->title;
    }
    return info;
}

// The header names a known format, a timing and at least one track, and every track
// the header counts is a chunk lying wholly inside the file. FluidSynth is not shown
// a file that fails this: it would keep retrying one it cannot read.
bool isWellFormedMidi(const std::vector<std::uint8_t>& file) {
    const std::optional<midi::MidiHeader> header = midi::readMidiHeader(file.data(), file.size());
    if (!header || header->format > 2 || header->tracks == 0 || header->division == 0) {
        return false;
    }
    midi::MidiChunkWalk chunks(file.data(), file.size(), *header);
    for (std::uint32_t found = 0; found < header->tracks;) {
        const std::optional<midi::MidiChunk> chunk = chunks.next();
        if (!chunk) {
            return false;
        }
        if (chunk->isTrack) {
            ++found;
        }
    }
    return true;
}

// A regular SoundFont 2 file by its RIFF header. Only these reach FluidSynth: it hands
// other files on to loaders that report their errors on the standard error stream, and
// would wait on a named pipe.
bool isSoundFont2(const char* path) {
    Failure refusal = Failure::None;
    const std::unique_ptr<InputFile> file = InputFile::open(path, refusal);
    char header[12] = {};
    return file != nullptr && file->readAt(0, header, sizeof header) &&
           std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "sfbk", 4) == 0;
}

void silenceFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    });
}

// At the last event; FluidSynth itself reports the end only after a pause of its own.
bool hasEnded(fluid_player_t* player) {
    const int length = fluid_player_get_total_ticks(player);
    return fluid_player_get_status(player) == FLUID_PLAYER_DONE ||
           (length > 0 && fluid_player_get_current_tick(player) >= length);
}

} // namespace

bool hasMidiSignature(const std::vector<std::uint8_t>& file) {
    return file.size() >= 4 && std::memcmp(file.data(), "MThd", 4) == 0;
}

std::unique_ptr<MidiRenderer> MidiRenderer::open(std::vector<std::uint8_t> file, int mixRate,
                                                 const char* soundFont) {
    silenceFluidSynth();
    if (!isWellFormedMidi(file)) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    if (soundFont == nullptr || !isSoundFont2(soundFont)) {
        noteFailure(Failure::NoSoundFont);
        return nullptr;
    }
    std::unique_ptr<MidiRenderer> renderer(new MidiRenderer(std::move(file), mixRate));
    renderer->m_info = describe(renderer->m_file, mixRate);
    renderer->m_settings = new_fluid_settings();
    if (renderer->m_settings == nullptr ||
        fluid_settings_setnum(renderer->m_settings, "synth.sample-rate", mixRate) != FLUID_OK) {
        return nullptr;
    }
    // The player's clock is the rendered frames, not the wall clock: the song runs
    // at the pace it is rendered ahead, on the worker thread only.
    fluid_settings_setstr(renderer->m_settings, "player.timing-source", "sample");
    fluid_settings_setint(renderer->m_settings, "synth.lock-memory", 0);
    renderer->m_synth = new_fluid_synth(renderer->m_settings);
    if (renderer->m_synth == nullptr) {
        return nullptr;
    }
    if (fluid_synth_sfload(renderer->m_synth, soundFont, 1) == FLUID_FAILED) {
        noteFailure(Failure::NoSoundFont);
        return nullptr;
    }
    if (!renderer->startPlayer()) {
        return nullptr;
    }
    // FluidSynth reads the events only once playing: a file it cannot read ends at once.
    float trial[2 * kTrialFrames];
    fluid_synth_write_float(renderer->m_synth, kTrialFrames, trial, 0, 2, trial, 1, 2);
    if (fluid_player_get_status(renderer->m_player) == FLUID_PLAYER_DONE) {
        noteFailure(Failure::FileDamaged);
        return nullptr;
    }
    return renderer;
}

MidiRenderer::~MidiRenderer() {
    stopPlayer();
    if (m_synth != nullptr) {
        delete_fluid_synth(m_synth);
    }
    if (m_settings != nullptr) {
        delete_fluid_settings(m_settings);
    }
}

bool MidiRenderer::startPlayer() noexcept {
    m_player = new_fluid_player(m_synth);
    if (m_player == nullptr) {
        return false;
    }
    m_framesPlayed = 0;
    if (fluid_player_add_mem(m_player, m_file.data(), m_file.size()) != FLUID_OK ||
        fluid_player_play(m_player) != FLUID_OK) {
        stopPlayer();
        return false;
    }
    return true;
}

void MidiRenderer::stopPlayer() noexcept {
    if (m_player != nullptr) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
        m_player = nullptr;
    }
}

void MidiRenderer::render(float* interleavedStereo, int frames) noexcept {
    for (int done = 0; done < frames;) {
        // Looping is done here rather than by FluidSynth's own loop count, which
        // spins without end on a song that ends as soon as it starts.
        if (m_player == nullptr || hasEnded(m_player)) {
            stopPlayer();
            startPlayer();
        }
        const int slice = std::min(kRenderSlice, frames - done);
        float* out = interleavedStereo + 2 * done;
        fluid_synth_write_float(m_synth, slice, out, 0, 2, out, 1, 2);
        m_framesPlayed += slice;
        done += slice;
    }
}

double MidiRenderer::positionMs() const noexcept {
    return static_cast<double>(m_framesPlayed) * 1000.0 / m_mixRate;
}

void MidiRenderer::rewind() noexcept {
    stopPlayer();
    fluid_synth_system_reset(m_synth);
    startPlayer();
}

} // namespace pelgra::audio
