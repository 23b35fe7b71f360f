// The fuzz targets without libFuzzer: every input a fuzzer once crashed the library with
// (checked in under tests/regressions/sample and song) goes the same way again, and the
// fuzzers' seeds, as written afresh, load and play.
#include "FuzzTargets.h"
#include "SoundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != ".gitkeep") {
            files.push_back(entry.path());
        }
    }
    return files;
}

using Target = bool (*)(const std::uint8_t*, std::size_t);

bool play(Target target, const fs::path& file) {
    const std::vector<std::uint8_t> bytes = readBytes(file);
    return target(bytes.data(), bytes.size());
}

class ScratchFolder {
public:
    ScratchFolder()
        : m_path(fs::temp_directory_path() / ("pelgra-replay-" + std::to_string(getpid()))) {
        fs::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string path() const { return m_path.string(); }

private:
    fs::path m_path;
};

const fs::path kFindings = PELGRA_REGRESSIONS_DIR;

TEST(FuzzFindings, SampleInputsPlaySafely) {
    for (const fs::path& file : filesIn(kFindings / "sample")) {
        SCOPED_TRACE(file.string());
        play(pelgra::fuzz::playAsSample, file); // aborts on a broken promise
        play(pelgra::fuzz::playAsSong, file);   // a sound file is a streamed song too
    }
}

TEST(FuzzFindings, SongInputsPlaySafely) {
    for (const fs::path& file : filesIn(kFindings / "song")) {
        SCOPED_TRACE(file.string());
        play(pelgra::fuzz::playAsSong, file);
    }
}

TEST(FuzzSeeds, EverySeedLoadsAndPlays) {
    const ScratchFolder folder;
    const std::vector<std::string> samples = pelgra::gen::writeSampleFiles(folder.path());
    EXPECT_GE(samples.size(), 7u) << "every format but perhaps MP3 is writable";
    for (const std::string& file : samples) {
        EXPECT_TRUE(play(pelgra::fuzz::playAsSample, file)) << file;
        EXPECT_TRUE(play(pelgra::fuzz::playAsSong, file)) << file;
    }
    const std::vector<std::string> songs = pelgra::gen::writeSongFiles(folder.path());
    ASSERT_EQ(songs.size(), 2u);
    for (const std::string& file : songs) {
        EXPECT_TRUE(play(pelgra::fuzz::playAsSong, file)) << file;
    }
}

} // namespace
