#include "SoundFileWriter.h"

#include "Errors.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pelgra::play {

std::optional<int> formatForName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".wav") {
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    }
    if (extension == ".flac") {
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    }
    if (extension == ".ogg" || extension == ".oga") {
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    return std::nullopt;
}

SoundFileWriter::SoundFileWriter(const std::string& path, int format, int rate, int channels)
    : m_path(path) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    m_file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (m_file == nullptr) {
        throw Failure("cannot write " + path + ": " + sf_strerror(nullptr));
    }
    // Overs become full scale instead of wrapping round to the other sign.
    sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
    if (m_file != nullptr) {
        sf_close(m_file);
    }
}

void SoundFileWriter::write(const float* interleaved, std::size_t frames) {
    const auto count = static_cast<sf_count_t>(frames);
    if (sf_writef_float(m_file, interleaved, count) != count) {
        throw Failure("cannot write " + m_path + ": " + sf_strerror(m_file));
    }
}

void SoundFileWriter::close() {
    SNDFILE* file = m_file;
    m_file = nullptr;
    if (sf_close(file) != 0) {
        throw Failure("cannot finish " + m_path);
    }
}

void writeMonoWav(const std::string& path, int rate, const float* samples, std::size_t count) {
    SoundFileWriter writer(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1);
    writer.write(samples, count);
    writer.close();
}

} // namespace pelgra::play
