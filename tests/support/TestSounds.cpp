#include "TestSounds.h"

#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>

namespace testsupport {

ScratchFolder::ScratchFolder(const std::string& purpose) {
    static std::atomic<int> folders{0};
    m_path =
        std::filesystem::temp_directory_path() /
        ("pelgra-" + purpose + "-" + std::to_string(getpid()) + "-" + std::to_string(++folders));
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ScratchFolder::writeSine(const std::string& fileName, const Sine& sine) const {
    std::string file = path(fileName);
    SF_INFO info{};
    info.samplerate = sine.sampleRate;
    info.channels = sine.channels;
    info.format = sine.format != 0 ? sine.format : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (out == nullptr) {
        throw std::runtime_error("cannot write " + file);
    }
    const double pi = std::acos(-1.0);
    std::vector<float> frames(static_cast<std::size_t>(sine.frames * sine.channels));
    for (int frame = 0; frame < sine.frames; ++frame) {
        const auto value = static_cast<float>(
            sine.amplitude * std::sin(2.0 * pi * sine.frequency * frame / sine.sampleRate));
        for (int channel = 0; channel < sine.channels; ++channel) {
            frames[static_cast<std::size_t>(frame * sine.channels + channel)] = value;
        }
    }
    sf_writef_float(out, frames.data(), sine.frames);
    sf_close(out);
    return file;
}

std::string ScratchFolder::writeBytes(const std::string& fileName,
                                      const std::vector<unsigned char>& bytes) const {
    std::string file = path(fileName);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

void putLittleEndian(std::vector<unsigned char>& bytes, unsigned int value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i) & 0xFFU));
    }
}

} // namespace

std::vector<unsigned char> wavWithLoop(const std::vector<float>& frames, int channels, int rate,
                                       unsigned int first, unsigned int last) {
    const auto blockAlign = static_cast<unsigned int>(2 * channels);
    const auto dataBytes = static_cast<unsigned int>(2 * frames.size());
    std::vector<unsigned char> file = {'R', 'I', 'F', 'F'};
    putLittleEndian(file, 4 + 24 + 68 + 8 + dataBytes, 4);
    for (const char c : std::string("WAVEfmt ")) {
        file.push_back(static_cast<unsigned char>(c));
    }
    putLittleEndian(file, 16, 4);
    putLittleEndian(file, 1, 2); // PCM
    putLittleEndian(file, static_cast<unsigned int>(channels), 2);
    putLittleEndian(file, static_cast<unsigned int>(rate), 4);
    putLittleEndian(file, static_cast<unsigned int>(rate) * blockAlign, 4);
    putLittleEndian(file, blockAlign, 2);
    putLittleEndian(file, 16, 2);
    file.insert(file.end(), {'s', 'm', 'p', 'l'});
    putLittleEndian(file, 60, 4);
    // Makers, sample period in ns, unity note, pitch fraction, SMPTE format and offset,
    // one loop, no extra data; then the loop: cue id, forward, start, end, fraction,
    // played forever.
    for (const unsigned int field : {0U, 0U, 1000000000U / static_cast<unsigned int>(rate), 60U, 0U,
                                     0U, 0U, 1U, 0U, 0U, 0U, first, last, 0U, 0U}) {
        putLittleEndian(file, field, 4);
    }
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    putLittleEndian(file, dataBytes, 4);
    for (const float value : frames) {
        putLittleEndian(file, static_cast<unsigned int>(std::lround(value * 32767.0f)), 2);
    }
    return file;
}

std::vector<unsigned char> flacWithComments(const std::vector<unsigned char>& flac,
                                            const std::vector<std::string>& comments) {
    constexpr unsigned char kLastBlock = 0x80;
    constexpr unsigned char kCommentBlock = 4;
    std::vector<unsigned char> body;
    const std::string vendor = "pelgra tests";
    putLittleEndian(body, static_cast<unsigned int>(vendor.size()), 4);
    body.insert(body.end(), vendor.begin(), vendor.end());
    putLittleEndian(body, static_cast<unsigned int>(comments.size()), 4);
    for (const std::string& comment : comments) {
        putLittleEndian(body, static_cast<unsigned int>(comment.size()), 4);
        body.insert(body.end(), comment.begin(), comment.end());
    }
    std::vector<unsigned char> comment = {kCommentBlock};
    for (const int shift : {16, 8, 0}) { // the length, big-endian in 24 bits
        comment.push_back(static_cast<unsigned char>(body.size() >> shift & 0xFFU));
    }
    comment.insert(comment.end(), body.begin(), body.end());

    // "fLaC", then blocks of a header byte (the last block's flag and the type), a 24-bit
    // length and the body; the frames follow the last one.
    std::vector<std::vector<unsigned char>> blocks;
    std::size_t at = 4;
    for (bool last = false; !last;) {
        last = (flac.at(at) & kLastBlock) != 0;
        const std::size_t length = std::size_t{flac.at(at + 1)} << 16 |
                                   std::size_t{flac.at(at + 2)} << 8 | flac.at(at + 3);
        if ((flac.at(at) & ~kLastBlock) != kCommentBlock) {
            blocks.emplace_back(flac.begin() + static_cast<std::ptrdiff_t>(at),
                                flac.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
            blocks.back()[0] &= static_cast<unsigned char>(~kLastBlock);
        }
        if (blocks.size() == 1 && at == 4) {
            blocks.push_back(comment);
        }
        at += 4 + length;
    }
    blocks.back()[0] |= kLastBlock;
    std::vector<unsigned char> out(flac.begin(), flac.begin() + 4);
    for (const std::vector<unsigned char>& block : blocks) {
        out.insert(out.end(), block.begin(), block.end());
    }
    out.insert(out.end(), flac.begin() + static_cast<std::ptrdiff_t>(at), flac.end());
    return out;
}

} // namespace testsupport
