#include "SongFiles.h"

#include "DemoSongs.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace songtest {
namespace {
constexpr int kBlockFrames = 512;
} // namespace

std::string SongFiles::write(const std::string& name,
                             const std::vector<std::uint8_t>& bytes) const {
    std::string path = m_folder.path(name);
    EXPECT_TRUE(pelgra::gen::writeFile(path, bytes)) << path;
    return path;
}

std::unique_ptr<pelgra::audio::Song> openSong(const std::string& path) {
    std::unique_ptr<pelgra::audio::Song> song = pelgra::audio::Song::open(path.c_str(), kRate);
    EXPECT_NE(song, nullptr) << path;
    return song;
}

std::vector<float> pull(const std::vector<pelgra::audio::Song*>& songs, int frames) {
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    for (int done = 0; done < frames;) {
        const int block = std::min(kBlockFrames, frames - done);
        for (pelgra::audio::Song* song : songs) {
            EXPECT_TRUE(song->awaitRendered(block));
            song->mixInto(out.data() + 2 * done, block);
        }
        done += block;
    }
    return out;
}

float peak(const std::vector<float>& stereo, int fromFrame, int toFrame) {
    float largest = 0.0f;
    for (int i = 2 * fromFrame; i < 2 * toFrame; ++i) {
        largest = std::max(largest, std::fabs(stereo[i]));
    }
    return largest;
}

int firstDifference(const std::vector<float>& actual, int actualFrom,
                    const std::vector<float>& expected) {
    const auto frames = static_cast<int>(expected.size() / 2);
    for (int i = 0; i < frames; ++i) {
        const std::size_t at = 2 * static_cast<std::size_t>(actualFrom + i);
        if (at + 1 >= actual.size() || actual[at] != expected[2 * i] ||
            actual[at + 1] != expected[2 * i + 1]) {
            return i;
        }
    }
    return -1;
}

} // namespace songtest
