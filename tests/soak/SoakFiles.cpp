#include "SoakFiles.h"

#include "SoundFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace soak {
namespace {

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> firstBytes(const std::vector<unsigned char>& bytes, std::size_t count) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

// Noise that is no known format: the same bytes the library's bad-input tests refuse.
std::vector<unsigned char> noise(unsigned int seed) {
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(20000);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<unsigned char>(random()); });
    return bytes;
}

void putLittleEndian(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value,
                     int count) {
    for (int byte = 0; byte < count; ++byte) {
        bytes[at + static_cast<std::size_t>(byte)] =
            static_cast<unsigned char>(value >> (8 * byte));
    }
}

std::vector<const char*> namesOf(const std::vector<std::string>& paths) {
    std::vector<const char*> names{nullptr};
    std::transform(paths.begin(), paths.end(), std::back_inserter(names),
                   [](const std::string& path) { return path.c_str(); });
    return names;
}

} // namespace

SoakFiles::SoakFiles() {
    std::filesystem::create_directories(m_scratch.folder() / "directory");
    m_goodSamples = pelgra::gen::writeSampleFiles(m_scratch.folder().string());
    m_goodSongs = pelgra::gen::writeSongFiles(m_scratch.folder().string());
    if (m_goodSamples.empty() || m_goodSongs.size() != 2) {
        throw std::runtime_error("cannot write the soak test's files in " +
                                 m_scratch.folder().string());
    }
    // The canonical 44-byte header of a 16-bit WAV: channels at 22, data size at 40.
    const std::vector<unsigned char> wav = readBytes(m_goodSamples.front());
    if (wav.size() < 44) {
        throw std::runtime_error("no canonical WAV header in " + m_goodSamples.front());
    }
    std::vector<unsigned char> hugeData = wav;
    putLittleEndian(hugeData, 40, 0xFFFFFFF0u, 4);
    std::vector<unsigned char> manyChannels = wav;
    putLittleEndian(manyChannels, 22, 0x7FFF, 2);
    const std::vector<unsigned char> module = readBytes(m_goodSongs[0]);
    const std::vector<unsigned char> midi = readBytes(m_goodSongs[1]);
    const std::string missing = (m_scratch.folder() / "missing").string();
    const std::string directory = (m_scratch.folder() / "directory").string();
    const std::string empty = m_scratch.writeBytes("empty", {});

    m_badSamples = {missing,
                    directory,
                    empty,
                    m_scratch.writeBytes("header.wav", firstBytes(wav, 30)),
                    m_scratch.writeBytes("half.wav", firstBytes(wav, wav.size() / 2)),
                    m_scratch.writeBytes("noise.wav", noise(7)),
                    m_scratch.writeBytes("hugedata.wav", hugeData),
                    m_scratch.writeBytes("channels.wav", manyChannels),
                    m_goodSongs[0]};
    m_badSongs = {missing,
                  directory,
                  empty,
                  m_scratch.writeBytes("noise.mod", noise(5)),
                  m_scratch.writeBytes("header.mod", firstBytes(module, 600)),
                  m_scratch.writeBytes("track.mid", firstBytes(midi, midi.size() - 3)),
                  m_goodSamples.front()};
    m_badSampleNames = namesOf(m_badSamples);
    m_badSongNames = namesOf(m_badSongs);
}

} // namespace soak
