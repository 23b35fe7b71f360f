#include "WavWriter.h"

#include "Errors.h"

#include <sndfile.h>

namespace pelgra::play {

WavWriter::WavWriter(const std::string& path, int rate, int channels) : m_path(path) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    m_file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (m_file == nullptr) {
        throw Failure("cannot write " + path + ": " + sf_strerror(nullptr));
    }
    // Overs become full scale instead of wrapping round to the other sign.
    sf_command(m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavWriter::~WavWriter() {
    if (m_file != nullptr) {
        sf_close(m_file);
    }
}

void WavWriter::write(const float* interleaved, std::size_t frames) {
    const auto count = static_cast<sf_count_t>(frames);
    if (sf_writef_float(m_file, interleaved, count) != count) {
        throw Failure("cannot write " + m_path + ": " + sf_strerror(m_file));
    }
}

void WavWriter::close() {
    SNDFILE* file = m_file;
    m_file = nullptr;
    if (sf_close(file) != 0) {
        throw Failure("cannot finish " + m_path);
    }
}

void writeMonoWav(const std::string& path, int rate, const float* samples, std::size_t count) {
    WavWriter writer(path, rate, 1);
    writer.write(samples, count);
    writer.close();
}

} // namespace pelgra::play
