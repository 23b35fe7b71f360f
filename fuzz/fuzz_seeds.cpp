// Writes the fuzzers' seed corpora: fuzz_seeds SAMPLE-DIRECTORY SONG-DIRECTORY. The song
// seeds are modules, MIDI and every sampled format, which play as streamed songs.
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
    auto songs = pelgra::gen::writeSongFiles(argv[2]);
    // Every sampled format plays as a streamed song too.
    const auto streamed = pelgra::gen::writeSampleFiles(argv[2]);
    songs.insert(songs.end(), streamed.begin(), streamed.end());
    std::printf("seeds: %zu sample files, %zu song files\n", samples.size(), songs.size());
    return samples.empty() || songs.empty() ? 1 : 0;
}
