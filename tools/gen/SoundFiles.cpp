#include "SoundFiles.h"

#include "DemoSongs.h"

#include <sndfile.h>

#include <cmath>
#include <filesystem>

namespace pelgra::gen {
namespace {

struct SampleKind {
    const char* name;
    int format;
    int sampleRate;
    int channels;
};

// Short, so that a fuzz iteration decodes little, but longer than an Opus or MP3 frame.
constexpr int kFrames = 2400;

constexpr SampleKind kSampleKinds[] = {
    {"mono16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1},
    {"stereo24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 2},
    {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32000, 1},
    {"tone.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 11025, 2},
    {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2},
    {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1},
    {"tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2},
    {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 1},
};

bool writeTone(const std::string& path, const SampleKind& kind) {
    SF_INFO info{};
    info.samplerate = kind.sampleRate;
    info.channels = kind.channels;
    info.format = kind.format;
    if (sf_format_check(&info) == 0) {
        return false; // not writable by this build of libsndfile
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const double step = 2.0 * std::acos(-1.0) * 440.0 / kind.sampleRate;
    std::vector<float> frames(static_cast<std::size_t>(kFrames * kind.channels));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::size_t frameIndex = i / static_cast<std::size_t>(kind.channels);
        const auto frame = static_cast<double>(frameIndex);
        frames[i] = static_cast<float>(0.5 * std::sin(step * frame));
    }
    const bool written = sf_writef_float(file, frames.data(), kFrames) == kFrames;
    return sf_close(file) == 0 && written;
}

std::string pathIn(const std::string& directory, const char* name) {
    return (std::filesystem::path(directory) / name).string();
}

} // namespace

std::vector<std::string> writeSampleFiles(const std::string& directory) {
    std::vector<std::string> written;
    for (const SampleKind& kind : kSampleKinds) {
        const std::string path = pathIn(directory, kind.name);
        if (writeTone(path, kind)) {
            written.push_back(path);
        } else {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }
    return written;
}

std::vector<std::string> writeSongFiles(const std::string& directory) {
    std::vector<std::string> written;
    const std::string module = pathIn(directory, "demo.mod");
    if (writeFile(module, makeDemoModule())) {
        written.push_back(module);
    }
    const std::string midi = pathIn(directory, "demo.mid");
    if (writeFile(midi, makeDemoMidi())) {
        written.push_back(midi);
    }
    return written;
}

} // namespace pelgra::gen
