// Songs streamed from sampled audio files: what they sound like against a decode of
// the whole file, how they loop, and what they do when the file fails them.
#include "SongFiles.h"

#include "SoundFiles.h"
#include "TestSounds.h"
#include "decode/AudioStream.h"
#include "decode/LoopTags.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <soxr.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>

using pelgra::audio::LoopPoints;
using pelgra::audio::Song;
using namespace songtest;

namespace {

// Frames the song fades in over when it starts (4 ms at kRate).
constexpr int kFadeFrames = kRate / 250;

// Interleaved noise, a different signal on each channel: any frame out of place shows.
std::vector<float> noise(int frames, int channels, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> value(-0.5f, 0.5f);
    std::vector<float> out(static_cast<std::size_t>(frames * channels));
    for (float& sample : out) {
        sample = value(generator);
    }
    return out;
}

// Three tones in a row, a second each at the rate: distinct intro, loop and tail.
std::vector<float> threeTones(int rate) {
    std::vector<float> out;
    for (const double frequency : {300.0, 700.0, 1500.0}) {
        for (int i = 0; i < rate; ++i) {
            const auto value =
                static_cast<float>(0.4 * std::sin(6.283185307 * frequency * i / rate));
            out.insert(out.end(), {value, -value});
        }
    }
    return out;
}

// Writes `frames` as libsndfile's `format` (a float WAV unless said otherwise).
std::string writeSound(const SongFiles& files, const std::string& name,
                       const std::vector<float>& frames, int channels, int rate,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
    std::string path = files.directory() + "/" + name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr);
    const sf_count_t count = static_cast<sf_count_t>(frames.size()) / channels;
    EXPECT_EQ(sf_writef_float(file, frames.data(), count), count);
    sf_close(file);
    return path;
}

constexpr int kOggVorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;

// A stereo FLAC file of `frames` at kRate whose comment block holds `comments`
// ("KEY=value").
std::string taggedFlac(const SongFiles& files, const std::string& name,
                       const std::vector<float>& frames, const std::vector<std::string>& comments) {
    const std::string plain =
        writeSound(files, "untagged-" + name, frames, 2, kRate, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    return files.write(name,
                       testsupport::flacWithComments(testsupport::readBytes(plain), comments));
}

#if !defined(_WIN32)
// Encodes a WAV file as Ogg Vorbis with the given comments ("KEY=value"), through sox,
// which libsndfile's own encoder cannot write.
std::string toOgg(const std::string& wav, const std::vector<std::string>& comments) {
    std::string ogg = wav + ".ogg";
    std::string command = "sox -V1 '" + wav + "'";
    for (const std::string& comment : comments) {
        command += " --add-comment '" + comment + "'";
    }
    command += " '" + ogg + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ogg;
}
#endif

// The whole file as the library decodes it, interleaved at its own rate.
std::vector<float> decodeWhole(const std::string& path, int& channels) {
    std::unique_ptr<pelgra::audio::AudioStream> stream =
        pelgra::audio::openAudioStream(path.c_str());
    EXPECT_NE(stream, nullptr) << path;
    if (stream == nullptr) {
        return {};
    }
    channels = stream->info().channels;
    std::vector<float> out(static_cast<std::size_t>(stream->info().frames * channels));
    std::int64_t done = 0;
    while (done < stream->info().frames) {
        const std::int64_t got = stream->read(out.data() + done * channels, 4096);
        if (got <= 0) {
            break;
        }
        done += got;
    }
    out.resize(static_cast<std::size_t>(done * channels));
    return out;
}

std::vector<float> played(const std::string& path, int frames) {
    std::unique_ptr<Song> song = openSong(path);
    if (song == nullptr) {
        return {};
    }
    song->play();
    return pull(*song, frames);
}

// The first stereo frame from `from` on where the output leaves the expected frames
// by more than `tolerance`, or -1.
int firstMismatch(const std::vector<float>& output, const std::vector<float>& expected, int from,
                  float tolerance) {
    const int frames = static_cast<int>(std::min(output.size(), expected.size()) / 2);
    for (int i = from; i < frames; ++i) {
        if (std::fabs(output[2 * i] - expected[2 * i]) > tolerance ||
            std::fabs(output[2 * i + 1] - expected[2 * i + 1]) > tolerance) {
            return i;
        }
    }
    return -1;
}

// Stereo frames of a file played from the start to loopEnd, then from loopStart on.
std::vector<float> looped(const std::vector<float>& stereo, LoopPoints loop, int frames) {
    std::vector<float> out;
    for (std::int64_t at = 0; static_cast<int>(out.size() / 2) < frames; ++at) {
        if (at == loop.end) {
            at = loop.start;
        }
        out.insert(out.end(), {stereo[2 * at], stereo[2 * at + 1]});
    }
    return out;
}

// The read calls this process made before this look at their count in Linux's /proc (a
// look is one read: the file is short); -1 elsewhere. Under valgrind, whose threads
// hand over through a pipe, the count is of no use; nor under Wine, whose own threads
// read as the program runs.
long readCalls() {
#if !defined(_WIN32)
    std::ifstream io("/proc/self/io");
    for (std::string line; std::getline(io, line);) {
        if (line.rfind("syscr:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
#endif
    return -1;
}

// Plays `frames` frames of the songs, checking that the second half of them reads no file:
// by then every loop below plays from memory.
std::vector<float> playedFromMemory(const std::vector<Song*>& songs, int frames) {
    for (Song* song : songs) {
        song->play();
    }
    std::vector<float> output = pull(songs, frames / 2);
    const long before = readCalls();
    const std::vector<float> rest = pull(songs, frames - frames / 2);
    if (before >= 0) {
        EXPECT_EQ(readCalls() - before, 1); // the look at `before` alone
    }
    output.insert(output.end(), rest.begin(), rest.end());
    return output;
}

TEST(StreamedSong, LoopsShorterThanAChunkRepeatFromMemory) {
    SongFiles files;
    for (const int length : {1, 300}) {
        const std::string flac =
            taggedFlac(files, "tones" + std::to_string(length) + ".flac", threeTones(kRate),
                       {"LOOPSTART=20000", "LOOPLENGTH=" + std::to_string(length)});
        int channels = 0;
        const std::vector<float> reference = decodeWhole(flac, channels);
        std::unique_ptr<Song> song = openSong(flac);
        ASSERT_NE(song, nullptr);
        EXPECT_EQ(firstMismatch(playedFromMemory({song.get()}, 2 * kRate),
                                looped(reference, {20000, 20000 + length}, 2 * kRate), kFadeFrames,
                                1e-4f),
                  -1)
            << length;
    }

    // A file of one frame at the highest rate, resampled, beside a song that is not
    // resampled: the frame holds steady and the other song plays exactly.
    const std::vector<float> stereo = noise(3000, 2, 4);
    std::unique_ptr<Song> frame =
        openSong(writeSound(files, "frame.wav", {0.25f, -0.25f}, 2, 768000));
    std::unique_ptr<Song> beside = openSong(writeSound(files, "noise.wav", stereo, 2, kRate));
    ASSERT_TRUE(frame != nullptr && beside != nullptr);
    std::vector<float> expected = looped(stereo, {0, 3000}, 2 * kRate);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expected[i] += i % 2 == 0 ? 0.25f : -0.25f;
    }
    EXPECT_EQ(firstMismatch(playedFromMemory({frame.get(), beside.get()}, 2 * kRate), expected,
                            kRate / 10, 1e-4f),
              -1);
}

TEST(StreamedSong, UntaggedFilesLoopWholeWithoutASeam) {
    SongFiles files;
    constexpr int kFrames = 10000; // not a multiple of any block or chunk size
    const std::vector<float> stereo = noise(kFrames, 2, 1);
    const std::vector<float> output =
        played(writeSound(files, "noise.wav", stereo, 2, kRate), 3 * kFrames + 500);
    EXPECT_EQ(
        firstMismatch(output, looped(stereo, {0, kFrames}, 3 * kFrames + 500), kFadeFrames, 1e-6f),
        -1);

    // Mono plays on both sides.
    const std::vector<float> mono = noise(kFrames, 1, 2);
    std::vector<float> doubled;
    for (const float value : mono) {
        doubled.insert(doubled.end(), {value, value});
    }
    EXPECT_EQ(firstMismatch(played(writeSound(files, "mono.wav", mono, 1, kRate), 2 * kFrames),
                            looped(doubled, {0, kFrames}, 2 * kFrames), kFadeFrames, 1e-6f),
              -1);
}

TEST(StreamedSong, TaggedFilesRepeatTheirLoopSampleExactly) {
    SongFiles files;
    // The loop is the second tone, 700 Hz; the tail, 1500 Hz, is never heard.
#if !defined(_WIN32) // sox writes the tagged Ogg files; the Windows tests have none
    const std::string wav = writeSound(files, "tones.wav", threeTones(kRate), 2, kRate);
    for (const auto& tags : {std::vector<std::string>{"LOOPSTART=48000", "LOOPLENGTH=48000"},
                             std::vector<std::string>{"LOOPSTART=48000", "LOOPEND=96000"}}) {
        const std::string ogg = toOgg(wav, tags);
        int channels = 0;
        const std::vector<float> reference = decodeWhole(ogg, channels);
        ASSERT_EQ(channels, 2);
        const std::vector<float> output = played(ogg, 5 * kRate);
        EXPECT_EQ(firstMismatch(output, looped(reference, {kRate, 2 * kRate}, 5 * kRate),
                                kFadeFrames, 1e-4f),
                  -1)
            << tags[1];
    }
#endif

    // The same loop from a WAV file's smpl chunk, whose end is the loop's last frame, and
    // from a FLAC file's comments.
    for (const std::string& path :
         {files.write("smpl.wav",
                      testsupport::wavWithLoop(threeTones(kRate), 2, kRate, kRate, 2 * kRate - 1)),
          taggedFlac(files, "tones.flac", threeTones(kRate),
                     {"TITLE=tones", "LOOPSTART=48000", "LOOPLENGTH=48000"})}) {
        int channels = 0;
        const std::vector<float> reference = decodeWhole(path, channels);
        ASSERT_EQ(channels, 2);
        EXPECT_EQ(firstMismatch(played(path, 5 * kRate),
                                looped(reference, {kRate, 2 * kRate}, 5 * kRate), kFadeFrames,
                                1e-6f),
                  -1)
            << path;
    }
}

TEST(StreamedSong, ResampledPlayMatchesAReferenceDecodeOfTheFile) {
    SongFiles files;
    constexpr int kFileRate = 44100;
    std::vector<float> music;
    for (int i = 0; i < kFileRate; ++i) {
        const double t = static_cast<double>(i) / kFileRate;
        const auto left = static_cast<float>(0.3 * std::sin(6.283185307 * 220.0 * t) +
                                             0.2 * std::sin(6.283185307 * 1375.0 * t));
        const auto right = static_cast<float>(0.3 * std::sin(6.283185307 * 330.0 * t + 1.0));
        music.insert(music.end(), {left, right});
    }
    const std::string ogg = writeSound(files, "music.ogg", music, 2, kFileRate, kOggVorbis);
    int channels = 0;
    const std::vector<float> decoded = decodeWhole(ogg, channels);
    ASSERT_EQ(channels, 2);
    std::vector<float> reference(decoded.size() * kRate / kFileRate + 64);
    std::size_t produced = 0;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    ASSERT_EQ(soxr_oneshot(kFileRate, kRate, 2, decoded.data(), decoded.size() / 2, nullptr,
                           reference.data(), reference.size() / 2, &produced, nullptr, &quality,
                           nullptr),
              nullptr);

    const std::vector<float> output = played(ogg, kRate / 2);
    ASSERT_EQ(output.size(), std::size_t{kRate});
    // The output against the reference, shifted by up to a few frames either way: the
    // best match must be at no shift and near perfect.
    const auto correlation = [&](int shift) {
        double both = 0.0, out = 0.0, ref = 0.0;
        for (int i = 2 * kFadeFrames; i < kRate; ++i) {
            const double a = output[i];
            const double b = reference[i + 2 * shift];
            both += a * b;
            out += a * a;
            ref += b * b;
        }
        return both / std::sqrt(out * ref);
    };
    EXPECT_GT(correlation(0), 0.999);
    for (const int shift : {-3, -1, 1, 3}) {
        EXPECT_LT(correlation(shift), correlation(0)) << shift;
    }
}

TEST(StreamedSong, EverySampledFormatPlays) {
    SongFiles files;
    const std::vector<std::string> written = pelgra::gen::writeSampleFiles(files.directory());
    EXPECT_GE(written.size(), 8u);
    for (const std::string& path : written) {
        const std::vector<float> output = played(path, kRate / 4);
        ASSERT_FALSE(output.empty()) << path;
        // The tones are at half scale; resampling may overshoot a little.
        EXPECT_GT(peak(output), 0.3f) << path;
        EXPECT_LT(peak(output), 0.7f) << path;
    }
}

// Songs read by planes: the decoder's own (Ogg Vorbis) or split from interleaved frames.
TEST(StreamedSong, ReadsByPlanesGiveTheInterleavedFramesForEveryFormat) {
    SongFiles files;
    for (const std::string& path : pelgra::gen::writeSampleFiles(files.directory())) {
        int channels = 0;
        const std::vector<float> whole = decodeWhole(path, channels);
        std::unique_ptr<pelgra::audio::AudioStream> stream =
            pelgra::audio::openAudioStream(path.c_str());
        ASSERT_NE(stream, nullptr) << path;
        constexpr std::int64_t kRead = 1000; // not a multiple of any decoder's own block
        std::vector<float> room(static_cast<std::size_t>(2 * kRead * channels));
        std::vector<float> joined;
        const float* planes[2] = {};
        for (std::int64_t got = 0; (got = stream->readPlanes(planes, room.data(), kRead)) > 0;) {
            for (std::int64_t frame = 0; frame < got; ++frame) {
                for (int channel = 0; channel < channels; ++channel) {
                    joined.push_back(planes[channel][frame]);
                }
            }
        }
        EXPECT_EQ(joined, whole) << path;
    }
}

TEST(StreamedSong, NonFiniteAndAbsurdValuesInAFloatFileAreTamed) {
    SongFiles files;
    const float infinity = std::numeric_limits<float>::infinity();
    std::vector<float> frames;
    for (int repeat = 0; repeat < 2000; ++repeat) {
        frames.insert(frames.end(), {std::numeric_limits<float>::quiet_NaN(), infinity, -infinity,
                                     1e30f, -1e30f, 0.25f});
    }
    // Stereo at another rate: split into planes, then resampled.
    const std::vector<float> output =
        played(writeSound(files, "damaged.wav", frames, 2, 44100), 4096);
    ASSERT_FALSE(output.empty());
    for (const float value : output) {
        // Bounded values may ring a little past their bound through the resampler.
        ASSERT_TRUE(std::isfinite(value) && std::fabs(value) <= 128.0f) << value;
    }
}

TEST(StreamedSong, AFileThatFailsWhilePlayingEndsTheSongCleanly) {
    SongFiles files;
    const std::string wav = writeSound(files, "vanishing.wav", noise(kRate * 2, 2, 3), 2, kRate);
    std::unique_ptr<Song> song = openSong(wav);
    ASSERT_NE(song, nullptr);
    song->play();
    pull(*song, kRate / 10);
    std::filesystem::resize_file(wav, 44); // the data is gone, the header stays
    bool ended = false;
    for (int block = 0; block < 40 && !ended; ++block) {
        const std::vector<float> output = pull(*song, kRate / 10);
        EXPECT_LE(peak(output), 1.0f);
        ended = !song->isPlaying();
    }
    EXPECT_TRUE(ended);

    // A WAV file cut short loops what it holds; an Ogg file cut short, whose length
    // is lost with its last page, is refused.
    const auto halfOf = [&](const std::string& path, const std::string& name) {
        std::vector<std::uint8_t> bytes = testsupport::readBytes(path);
        bytes.resize(bytes.size() / 2);
        return files.write(name, bytes);
    };
    const std::string tones = writeSound(files, "tones.wav", threeTones(kRate), 2, kRate);
    std::unique_ptr<Song> cut = openSong(halfOf(tones, "cut.wav"));
    ASSERT_NE(cut, nullptr);
    cut->play();
    const std::vector<float> output = pull(*cut, 4 * kRate);
    EXPECT_GT(peak(output, 3 * kRate, 4 * kRate), 0.3f);
    EXPECT_TRUE(cut->isPlaying());
    const std::string ogg = writeSound(files, "tones.ogg", threeTones(kRate), 2, kRate, kOggVorbis);
    EXPECT_EQ(Song::open(halfOf(ogg, "cut.ogg").c_str(), kRate), nullptr);
}

TEST(LoopTags, NameALoopOnlyWhenItLiesInTheFile) {
    const auto loop = [](std::vector<std::string> tags, std::int64_t frames = 1000) {
        std::vector<char*> comments;
        comments.reserve(tags.size());
        for (std::string& tag : tags) {
            comments.push_back(tag.data());
        }
        return pelgra::audio::loopFromComments(comments.data(), static_cast<int>(comments.size()),
                                               frames);
    };
    const auto is = [](std::optional<LoopPoints> found, std::int64_t start, std::int64_t end) {
        return found && found->start == start && found->end == end;
    };
    EXPECT_TRUE(is(loop({"TITLE=x", "LOOPSTART=100", "LOOPLENGTH=200"}), 100, 300));
    EXPECT_TRUE(is(loop({"loopstart=100", "LoopEnd=900"}), 100, 900));
    EXPECT_TRUE(is(loop({"LOOPSTART=100"}), 100, 1000));
    EXPECT_TRUE(is(loop({"LOOPSTART=0", "LOOPLENGTH=1000"}), 0, 1000));
    EXPECT_FALSE(loop({"LOOPSTART=100", "LOOPLENGTH=901"}));
    EXPECT_FALSE(loop({"LOOPSTART=100", "LOOPEND=1001"}));
    EXPECT_FALSE(loop({"LOOPSTART=500", "LOOPEND=500"}));
    EXPECT_FALSE(loop({"LOOPSTART=-5", "LOOPEND=500"}));
    EXPECT_FALSE(loop({"LOOPSTART=12ab", "LOOPEND=500"}));
    EXPECT_FALSE(loop({"LOOPSTARTX=10", "LOOPEND=500"}));
    EXPECT_FALSE(loop({"LOOPEND=500"}));
    EXPECT_FALSE(loop({}));
}

} // namespace
