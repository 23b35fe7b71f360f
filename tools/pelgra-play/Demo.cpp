#include "Demo.h"

#include "DemoSongs.h"
#include "Errors.h"
#include "SoundFileWriter.h"
#include "Synth.h"

#include <array>
#include <random>
#include <string>

namespace pelgra::play {

namespace {

constexpr double kDemoSeconds = 10.0;
constexpr int kEffectRate = 44100; // not the mixing rate, so that resampling is heard too

enum DemoSound : std::size_t { kSong, kLaser, kDrum, kCoin, kSoundCount };

const std::array<const char*, kSoundCount> kFileNames = {"song.mod", "laser.wav", "drum.wav",
                                                         "coin.wav"};

// The effects over the song: sparse at first, then overlapping.
constexpr std::array<Cue, 22> kEffectCues = {{
    {0.8, kCoin}, {1.6, kCoin},  {2.4, kLaser}, {2.7, kLaser}, {3.2, kDrum},  {3.6, kDrum},
    {4.0, kCoin}, {4.8, kLaser}, {5.6, kDrum},  {5.8, kDrum},  {6.0, kCoin},  {6.1, kCoin},
    {6.2, kCoin}, {6.4, kLaser}, {7.2, kDrum},  {7.4, kLaser}, {7.6, kLaser}, {8.0, kCoin},
    {8.4, kDrum}, {8.4, kLaser}, {8.8, kCoin},  {9.2, kLaser},
}};

// A folder of its own under the system's temporary folder (mkdtemp is POSIX only):
// create_directory says whether it made the folder, so a name already taken is retried.
std::filesystem::path makeTemporaryFolder() {
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        std::filesystem::path folder = std::filesystem::temp_directory_path(error) /
                                       ("pelgra-demo-" + std::to_string(random()));
        if (!error && std::filesystem::create_directory(folder, error)) {
            return folder;
        }
    }
    throw Failure("cannot make a temporary folder: " + error.message());
}

std::string fileOf(const std::filesystem::path& folder, std::size_t sound) {
    return (folder / kFileNames[sound]).string();
}

void writeSong(const std::string& path) {
    if (!gen::writeFile(path, gen::makeDemoModule())) {
        throw Failure("cannot write " + path);
    }
}

void writeEffect(const std::string& path, const std::vector<float>& sound) {
    writeMonoWav(path, kEffectRate, sound.data(), sound.size());
}

} // namespace

Demo::Demo() : m_folder(makeTemporaryFolder()) {
    try {
        writeSong(fileOf(m_folder, kSong));
        writeEffect(fileOf(m_folder, kLaser), synthLaser(kEffectRate));
        writeEffect(fileOf(m_folder, kDrum), synthDrum(kEffectRate));
        writeEffect(fileOf(m_folder, kCoin), synthCoin(kEffectRate));
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

Demo::~Demo() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

Programme Demo::programme(std::optional<double> seconds) const {
    Programme programme;
    programme.title = "demo";
    for (std::size_t sound = 0; sound < kSoundCount; ++sound) {
        programme.sounds.push_back({fileOf(m_folder, sound), false, sound == kSong});
    }
    programme.cues.push_back({0.0, kSong});
    programme.cues.insert(programme.cues.end(), kEffectCues.begin(), kEffectCues.end());
    programme.seconds = seconds.value_or(kDemoSeconds);
    programme.length = programme.seconds;
    programme.cut = seconds.has_value();
    return programme;
}

} // namespace pelgra::play
