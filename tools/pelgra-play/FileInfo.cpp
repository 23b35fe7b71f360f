#include "FileInfo.h"

#include "Errors.h"

#include "PelgraAudio.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace pelgra::play {

namespace {

void requireFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw Failure(path + ": no such file");
    }
    if (std::filesystem::is_directory(path, error)) {
        throw Failure(path + ": is a folder, not a sound file");
    }
}

std::optional<double> secondsOf(int milliseconds) {
    return milliseconds >= 0 ? std::optional<double>(milliseconds / 1000.0) : std::nullopt;
}

// What the library tells of the song; the song is freed after.
FileInfo songFacts(FMUSIC_MODULE* song) {
    PelgraAudioSongInfo facts{};
    PelgraAudio_GetSongInfo(song, &facts);
    FMUSIC_FreeSong(song);
    FileInfo info;
    info.kind = facts.kind == PELGRA_AUDIO_SONG_STREAM ? SoundKind::Stream
                : facts.kind == PELGRA_AUDIO_SONG_MIDI ? SoundKind::Midi
                                                       : SoundKind::Module;
    info.format = facts.format;
    info.title = facts.title;
    info.channels = facts.channels;
    if (info.kind == SoundKind::Stream) {
        info.rate = facts.fileRate;
    }
    info.seconds = secondsOf(facts.lengthMs);
    if (facts.loopStartMs >= 0 && facts.loopEndMs >= 0) {
        info.loop = std::make_pair(facts.loopStartMs / 1000.0, facts.loopEndMs / 1000.0);
    }
    return info;
}

// Loads the file as an effect: the library's error code, or PELGRA_AUDIO_ERR_NONE with
// `info` telling the sample. Its length is what plays: its frames at the mixing rate.
int probeEffect(const std::string& path, FileInfo& info) {
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), FSOUND_NORMAL, 0, 0);
    if (sample == nullptr) {
        return PelgraAudio_GetError();
    }
    PelgraAudioSampleInfo facts{};
    PelgraAudio_GetSampleInfo(sample, &facts);
    FSOUND_Sample_Free(sample);
    PelgraAudioStats stats{};
    PelgraAudio_GetStats(&stats);
    info.kind = SoundKind::Sample;
    info.channels = facts.channels;
    info.rate = facts.fileRate;
    info.seconds = static_cast<double>(facts.frames) / stats.mixRate;
    return PELGRA_AUDIO_ERR_NONE;
}

} // namespace

FileInfo probeFile(const std::string& path) {
    requireFile(path);
    FileInfo info;
    int asSong = PELGRA_AUDIO_ERR_FILE_FORMAT;
    if (FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str())) {
        info = songFacts(song);
        // A short recording plays as an effect.
        if (info.kind != SoundKind::Stream || (info.seconds && *info.seconds >= kStreamedSeconds)) {
            return info;
        }
        asSong = PELGRA_AUDIO_ERR_NONE;
    } else {
        asSong = PelgraAudio_GetError();
    }
    // A file refused as a song only for not being one says more as an effect; anything
    // else (no SoundFont, a damaged MIDI file, too many channels) is the song's own reason.
    if (asSong != PELGRA_AUDIO_ERR_NONE && asSong != PELGRA_AUDIO_ERR_FILE_FORMAT) {
        info.refusal = PelgraAudio_GetErrorString(asSong);
        return info;
    }
    const int asEffect = probeEffect(path, info);
    if (asEffect == PELGRA_AUDIO_ERR_FILE_FORMAT && asSong == PELGRA_AUDIO_ERR_FILE_FORMAT) {
        throw Failure(path + ": not a sound or song the player knows");
    }
    if (asEffect != PELGRA_AUDIO_ERR_NONE) {
        info.refusal = PelgraAudio_GetErrorString(asEffect);
    }
    return info;
}

std::string describe(const std::string& path, const FileInfo& info) {
    char length[64] = "unknown";
    if (info.seconds) {
        std::snprintf(length, sizeof length, "%.3f s", *info.seconds);
    }
    std::ostringstream text;
    text << path << "\n";
    if (info.refusal) {
        text << "  kind:     none: the engine cannot play it: " << *info.refusal << "\n";
    } else {
        text << "  kind:     "
             << (info.kind == SoundKind::Sample   ? "sound effect"
                 : info.kind == SoundKind::Stream ? "song, stream"
                                                  : "song")
             << "\n";
    }
    if (!info.format.empty()) {
        text << "  format:   " << info.format << "\n";
    }
    if (!info.title.empty()) {
        text << "  title:    " << info.title << "\n";
    }
    if (info.channels > 0) {
        text << "  channels: " << info.channels << "\n";
    }
    if (info.rate) {
        text << "  rate:     " << *info.rate << " Hz\n";
    } else if (info.kind == SoundKind::Module || info.kind == SoundKind::Midi) {
        text << "  rate:     none of its own (plays at the mixing rate)\n";
    }
    const bool loops = info.kind != SoundKind::Sample && !info.refusal && info.seconds;
    text << "  length:   " << length << (loops ? ", then loops" : "") << "\n";
    if (info.loop) {
        char loop[64];
        std::snprintf(loop, sizeof loop, "%.3f s to %.3f s", info.loop->first, info.loop->second);
        text << "  loop:     " << loop << "\n";
    }
    return text.str();
}

} // namespace pelgra::play
