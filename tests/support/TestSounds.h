// The scratch folder every test, the soak test and the replay of fuzz findings write their
// files in, and the sound files (WAV and other libsndfile formats) made there.
#ifndef PELGRA_TESTS_SUPPORT_TEST_SOUNDS_H
#define PELGRA_TESTS_SUPPORT_TEST_SOUNDS_H

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct Sine {
    int sampleRate = 48000;
    int channels = 1;
    int frames = 48000;
    double frequency = 1000.0;
    double amplitude = 0.5;
    int format = 0; // a libsndfile format; 0: 16-bit WAV
};

// A folder of its own under the system's temporary folder, named for `purpose`, the
// process and a count; removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& purpose = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& folder() const { return m_path; }
    std::string path(const std::string& fileName) const { return (m_path / fileName).string(); }
    // Writes a sine to fileName and returns its full path.
    std::string writeSine(const std::string& fileName, const Sine& sine) const;
    // Writes the bytes as they are and returns the full path.
    std::string writeBytes(const std::string& fileName,
                           const std::vector<unsigned char>& bytes) const;

private:
    std::filesystem::path m_path;
};

std::vector<unsigned char> readBytes(const std::string& path);

// A 16-bit WAV file of `frames` (interleaved floats), whose smpl chunk (before its data,
// as sample editors write it) names one forward loop from frame `first` through `last`,
// both included.
std::vector<unsigned char> wavWithLoop(const std::vector<float>& frames, int channels, int rate,
                                       unsigned int first, unsigned int last);

// The FLAC file `flac` with its comment block (VORBIS_COMMENT) replaced by one holding
// `comments` ("KEY=value"), placed after its STREAMINFO as encoders write it.
std::vector<unsigned char> flacWithComments(const std::vector<unsigned char>& flac,
                                            const std::vector<std::string>& comments);

} // namespace testsupport

#endif
