// Sound files made by the tests themselves, in a scratch folder removed afterwards.
#ifndef PELGRA_TESTS_AUDIO_TEST_SOUNDS_H
#define PELGRA_TESTS_AUDIO_TEST_SOUNDS_H

#include <filesystem>
#include <string>
#include <vector>

namespace testsounds {

struct Sine {
    int sampleRate = 48000;
    int channels = 1;
    int frames = 48000;
    double frequency = 1000.0;
    double amplitude = 0.5;
    int format = 0; // a libsndfile format; 0: 16-bit WAV
};

// A scratch folder for one test, removed with the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

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

} // namespace testsounds

#endif
