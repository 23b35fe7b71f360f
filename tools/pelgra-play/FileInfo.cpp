#include "FileInfo.h"

#include "Errors.h"
#include "MidiFile.h"
#include "RecordingFacts.h"
#include "Sound.h"

#include <libopenmpt/libopenmpt.hpp>
#include <sndfile.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw Failure(path + ": cannot open: " + std::strerror(errno));
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string formatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) {
        return "unknown";
    }
    return info.name;
}

// What the audio library decodes the recording as, and libsndfile's fuller names for
// its format and title where it reads the file too. A recording the audio library
// refuses is still described from libsndfile's header: the engine's verdict then says
// why it cannot be played.
std::optional<FileInfo> probeSample(const std::string& path) {
    const std::optional<RecordingFacts> decoded = readRecordingFacts(path);
    FileInfo info;
    if (decoded) {
        info.codec = decoded->codec;
        info.format = decoded->codec;
        info.channels = decoded->channels;
        info.rate = decoded->rate;
        info.seconds = static_cast<double>(decoded->frames) / decoded->rate;
        info.kind = *info.seconds >= kStreamedSeconds ? SoundKind::Stream : SoundKind::Sample;
        info.loop = decoded->loop;
    }
    SF_INFO header{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &header);
    if (file == nullptr) {
        return decoded ? std::optional<FileInfo>(info) : std::nullopt;
    }
    info.format = formatName(header.format & SF_FORMAT_TYPEMASK) + ", " +
                  formatName(header.format & SF_FORMAT_SUBMASK);
    if (const char* title = sf_get_string(file, SF_STR_TITLE)) {
        info.title = title;
    }
    if (!decoded) {
        info.channels = header.channels;
        info.rate = header.samplerate;
        // An Ogg file cut short has no length: libsndfile says SF_COUNT_MAX frames.
        if (header.frames > 0 && header.frames < SF_COUNT_MAX && header.samplerate > 0) {
            info.seconds = static_cast<double>(header.frames) / header.samplerate;
        }
    }
    sf_close(file);
    return info;
}

std::optional<FileInfo> probeModule(const std::string& bytes) {
    try {
        std::ostringstream quiet; // the library's own remarks about the file
        openmpt::module module(bytes.data(), bytes.size(), quiet);
        FileInfo info;
        info.kind = SoundKind::Module;
        info.format = module.get_metadata("type_long") + " (" + module.get_metadata("type") + ")";
        info.title = module.get_metadata("title");
        info.channels = module.get_num_channels();
        const double seconds = module.get_duration_seconds();
        if (std::isfinite(seconds) && seconds >= 0.0) {
            info.seconds = seconds;
        }
        return info;
    } catch (const openmpt::exception&) {
        return std::nullopt;
    }
}

std::optional<FileInfo> probeMidi(const std::string& bytes) {
    const auto facts = readMidiFacts(bytes);
    if (!facts) {
        return std::nullopt;
    }
    FileInfo info;
    info.kind = SoundKind::Midi;
    info.format = "Standard MIDI file, type " + std::to_string(facts->type) + ", " +
                  std::to_string(facts->tracks) + (facts->tracks == 1 ? " track" : " tracks");
    info.channels = facts->channelsUsed;
    info.seconds = facts->seconds;
    return info;
}

} // namespace

FileInfo probeFile(const std::string& path) {
    requireFile(path);
    if (auto info = probeSample(path)) {
        return *info;
    }
    const std::string bytes = readWholeFile(path);
    if (auto info = probeMidi(bytes)) {
        return *info;
    }
    if (auto info = probeModule(bytes)) {
        return *info;
    }
    throw Failure(path + ": not a sound or song the player knows");
}

FileInfo probeFileWithEngine(const std::string& path) {
    FileInfo info = probeFile(path);
    try {
        const Sound sound(path, false, info.kind != SoundKind::Sample);
        if (!sound.isSong()) {
            info.kind = SoundKind::Sample;
        }
    } catch (const Refused& refused) {
        info.refusal = refused.reason();
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
    text << "  format:   " << info.format << "\n";
    if (info.kind == SoundKind::Stream) {
        text << "  codec:    " << info.codec << "\n";
    }
    if (!info.title.empty()) {
        text << "  title:    " << info.title << "\n";
    }
    text << "  channels: " << info.channels << "\n";
    if (info.rate) {
        text << "  rate:     " << *info.rate << " Hz\n";
    } else {
        text << "  rate:     none of its own (plays at the mixing rate)\n";
    }
    const bool loops = info.kind != SoundKind::Sample && !info.refusal && info.seconds;
    text << "  length:   " << length << (loops ? ", then loops" : "") << "\n";
    if (info.loop && info.rate) {
        char loop[96];
        std::snprintf(loop, sizeof loop, "%.3f s to %.3f s (frames %lld to %lld)",
                      static_cast<double>(info.loop->first) / *info.rate,
                      static_cast<double>(info.loop->second) / *info.rate, info.loop->first,
                      info.loop->second);
        text << "  loop:     " << loop << "\n";
    }
    return text.str();
}

} // namespace pelgra::play
