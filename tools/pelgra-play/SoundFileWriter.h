// A sound file being written (WAV, FLAC or Ogg Vorbis, through libsndfile), closed when
// the writer goes.
#ifndef PELGRA_PLAY_SOUND_FILE_WRITER_H
#define PELGRA_PLAY_SOUND_FILE_WRITER_H

#include <cstddef>
#include <optional>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace pelgra::play {

// The libsndfile format a file name's extension asks for: .wav 16-bit PCM WAV, .flac
// 16-bit FLAC, .ogg or .oga Ogg Vorbis (any case). Nothing for another extension.
std::optional<int> formatForName(const std::string& path);

class SoundFileWriter {
public:
    // Creates (or replaces) path in the libsndfile format given, for interleaved
    // frames of the given channel count. Throws Failure when the file cannot be created.
    SoundFileWriter(const std::string& path, int format, int rate, int channels);
    ~SoundFileWriter();
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

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

// Writes a whole mono sound at once as a 16-bit WAV file.
void writeMonoWav(const std::string& path, int rate, const float* samples, std::size_t count);

} // namespace pelgra::play

#endif
