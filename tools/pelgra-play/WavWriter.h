// A 16-bit PCM WAV file being written, closed when the writer goes.
#ifndef PELGRA_PLAY_WAV_WRITER_H
#define PELGRA_PLAY_WAV_WRITER_H

#include <cstddef>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace pelgra::play {

class WavWriter {
public:
    // Creates (or replaces) path for interleaved frames of the given channel count.
    // Throws Failure when the file cannot be created.
    WavWriter(const std::string& path, int rate, int channels);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends frames of interleaved float samples, clipped to -1..1. Throws Failure when
    // the disk refuses them.
    void write(const float* interleaved, std::size_t frames);

    // Finishes the file and reports any failure to do so; the destructor closes
    // quietly when this was not called.
    void close();

private:
    std::string m_path;
    SNDFILE* m_file;
};

// Writes a whole mono sound at once.
void writeMonoWav(const std::string& path, int rate, const float* samples, std::size_t count);

} // namespace pelgra::play

#endif
