// Song files written for one test process into a directory of its own, and the pull
// loop that plays the audio thread's part.
#ifndef PELGRA_TESTS_SONG_FILES_H
#define PELGRA_TESTS_SONG_FILES_H

#include "TestSounds.h"
#include "song/Song.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace songtest {

constexpr int kRate = 48000;

class SongFiles {
public:
    // Writes the bytes to a file of that name in the directory; returns its path.
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string directory() const { return m_folder.folder().string(); }

private:
    testsupport::ScratchFolder m_folder{"songs"};
};

// Opens the file as a song at kRate, failing the test when that fails.
std::unique_ptr<pelgra::audio::Song> openSong(const std::string& path);

// Mixes `frames` frames of the songs, summed, as the audio thread would, waiting
// before each block for the songs to be rendered that far ahead.
std::vector<float> pull(const std::vector<pelgra::audio::Song*>& songs, int frames);
inline std::vector<float> pull(pelgra::audio::Song& song, int frames) {
    return pull(std::vector<pelgra::audio::Song*>{&song}, frames);
}

// The largest magnitude among the frames [from, to) of interleaved stereo.
float peak(const std::vector<float>& stereo, int fromFrame, int toFrame);
inline float peak(const std::vector<float>& stereo) {
    return peak(stereo, 0, static_cast<int>(stereo.size() / 2));
}

// The first frame where `actual` from `actualFrom` differs from `expected` from its
// start, or -1 when all of `expected` is matched.
int firstDifference(const std::vector<float>& actual, int actualFrom,
                    const std::vector<float>& expected);

} // namespace songtest

#endif
