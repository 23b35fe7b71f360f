// Writes the fuzzers' seed corpora: fuzz_seeds SAMPLE-DIRECTORY SONG-DIRECTORY.
#include "SoundFiles.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SAMPLE-DIRECTORY SONG-DIRECTORY\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    std::filesystem::create_directories(argv[2]);
    const auto samples = pelgra::gen::writeSampleFiles(argv[1]);
    const auto songs = pelgra::gen::writeSongFiles(argv[2]);
    std::printf("seeds: %zu sample files, %zu song files\n", samples.size(), songs.size());
    return samples.empty() || songs.empty() ? 1 : 0;
}
