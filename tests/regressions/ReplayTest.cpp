// The fuzz targets without libFuzzer: every input a fuzzer once crashed the library with
// (checked in under tests/regressions/sample, and song once a song harness finds one) goes the same
// way again, and the fuzzers' seeds, as written afresh, load and play.
#include "FuzzTargets.h"
#include "SoundFiles.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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

const fs::path kFindings = PELGRA_REGRESSIONS_DIR;

// Each folder holds the findings of one harness. A run that replays nothing proves
// nothing, so at least one finding must be there.
TEST(FuzzFindings, EveryFindingPlaysSafely) {
    const std::pair<const char*, Target> harnesses[] = {{"sample", pelgra::fuzz::playAsSample},
                                                        {"song", pelgra::fuzz::playAsSong}};
    int replayed = 0;
    for (const auto& [folder, target] : harnesses) {
        if (!fs::is_directory(kFindings / folder)) {
            continue;
        }
        for (const fs::path& file : filesIn(kFindings / folder)) {
            SCOPED_TRACE(file.string());
            play(target, file); // aborts on a broken promise
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

TEST(FuzzSeeds, EverySeedLoadsAndPlays) {
    const testsupport::ScratchFolder folder("fuzz-seeds");
    const std::vector<std::string> samples =
        pelgra::gen::writeSampleFiles(folder.folder().string());
    EXPECT_GE(samples.size(), 7u) << "every format but perhaps MP3 is writable";
    for (const std::string& file : samples) {
        EXPECT_TRUE(play(pelgra::fuzz::playAsSample, file)) << file;
    }
    const std::vector<std::string> songs = pelgra::gen::writeSongFiles(folder.folder().string());
    ASSERT_EQ(songs.size(), 2u);
    for (const std::string& file : songs) {
        EXPECT_TRUE(play(pelgra::fuzz::playAsSong, file)) << file;
    }
}

} // namespace
