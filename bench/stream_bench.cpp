// A 3-minute Ogg Vorbis track (44.1 kHz stereo, written by sox) as a streamed song,
// mixed in real time at 48 kHz: resident memory after load and after 10 s of play, time
// from load to the first mixed frame, and CPU per song-second, beside SDL_mixer's
// Mix_LoadMUS on the same file and beside the floor of decoding and resampling the file
// alone. Also the peak memory of loading the track whole as a sound effect against the
// size of the sample it becomes. Each figure comes from a process of its own.
//
//   stream_bench [TRACK.ogg]   (without a track, one is written to the temporary folder)
#include "PelgraAudio.h"
#include "TestSounds.h"
#include "decode/AudioStream.h"
#include "decode/StreamResampler.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 48000;
constexpr int kPlaySeconds = 10;
constexpr int kTrackSeconds = 180;

long residentKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string wanted = std::string(field) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(wanted, 0) == 0) {
            return std::strtol(line.c_str() + wanted.size(), nullptr, 10);
        }
    }
    return -1;
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    long baseKb = 0;
    long afterLoadKb = 0;
    long afterPlayKb = 0;
    double firstFrameMs = 0.0;
    double cpuPerSongSecondMs = 0.0;
};

void print(const char* who, const Figures& figures) {
    std::printf("%-22s  +%6.1f MB after load  +%6.1f MB after %d s  first frame %6.1f ms  "
                "CPU %5.2f ms per song-second\n",
                who, (figures.afterLoadKb - figures.baseKb) / 1024.0,
                (figures.afterPlayKb - figures.baseKb) / 1024.0, kPlaySeconds, figures.firstFrameMs,
                figures.cpuPerSongSecondMs);
}

// From a song just loaded and started at `start`: the memory then, the time until
// `heard()` first holds, the CPU of kPlaySeconds of play and the memory after it.
template <typename Heard> void listen(Figures& figures, Clock::time_point start, Heard heard) {
    figures.afterLoadKb = residentKilobytes("VmRSS");
    while (!heard() && millisecondsSince(start) < 5000.0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    figures.firstFrameMs = millisecondsSince(start);
    const double cpuBefore = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(kPlaySeconds));
    figures.cpuPerSongSecondMs = (processCpuSeconds() - cpuBefore) * 1000.0 / kPlaySeconds;
    figures.afterPlayKb = residentKilobytes("VmRSS");
}

// The library with its real-time output thread (the null output: mixed, not heard).
int pelgraSong(const char* track) {
    PelgraAudio_SetOutput("null");
    if (FSOUND_Init(kRate, 32, 0) != 1) {
        return 1;
    }
    Figures figures;
    figures.baseKb = residentKilobytes("VmRSS");
    const auto start = Clock::now();
    FMUSIC_MODULE* song = FMUSIC_LoadSong(track);
    if (song == nullptr || FMUSIC_PlaySong(song) != 1) {
        return 1;
    }
    listen(figures, start, [] {
        PelgraAudioStats stats{};
        PelgraAudio_GetStats(&stats);
        return stats.peakLeft != 0.0f;
    });
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    print("PelgraAudio song", figures);
    return 0;
}

std::atomic<bool> g_heard{false};

void notePostMix(void*, Uint8* stream, int bytes) {
    const auto* samples = reinterpret_cast<const float*>(stream);
    for (int i = 0; i < bytes / static_cast<int>(sizeof(float)); ++i) {
        if (samples[i] != 0.0f) {
            g_heard.store(true);
            return;
        }
    }
}

// SDL_mixer's music stream on SDL's dummy device, which also mixes in real time.
int sdlMixerMusic(const char* track) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(kRate, AUDIO_F32SYS, 2, 1024) != 0) {
        return 1;
    }
    Mix_SetPostMix(notePostMix, nullptr);
    Figures figures;
    figures.baseKb = residentKilobytes("VmRSS");
    const auto start = Clock::now();
    Mix_Music* music = Mix_LoadMUS(track);
    if (music == nullptr || Mix_PlayMusic(music, -1) != 0) {
        return 1;
    }
    listen(figures, start, [] { return g_heard.load(); });
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
    print("SDL_mixer Mix_LoadMUS", figures);
    return 0;
}

// The floor: the same decoder and resampler the song uses, run alone over the file.
int decodeAndResampleAlone(const char* track) {
    using namespace pelgra::audio;
    std::unique_ptr<AudioStream> stream = openAudioStream(track);
    if (stream == nullptr) {
        return 1;
    }
    const int channels = stream->info().channels;
    std::unique_ptr<StreamResampler> resampler =
        StreamResampler::create(channels, stream->info().sampleRate, kRate);
    std::vector<float> decoded(4096 * static_cast<std::size_t>(channels));
    std::vector<float> resampled(8192 * static_cast<std::size_t>(channels));
    const double cpuBefore = processCpuSeconds();
    std::int64_t frames = 0;
    for (std::int64_t got = 0; (got = stream->read(decoded.data(), 4096)) > 0;) {
        for (std::size_t used = 0; used < static_cast<std::size_t>(got);) {
            const StreamResampler::Step step =
                resampler->process(decoded.data() + used * channels,
                                   static_cast<std::size_t>(got) - used, resampled.data(), 8192);
            used += step.consumed;
        }
        frames += got;
    }
    const double seconds = static_cast<double>(frames) / stream->info().sampleRate;
    std::printf("%-22s  CPU %5.2f ms per song-second (%.0f s decoded)\n", "decode+resample alone",
                (processCpuSeconds() - cpuBefore) * 1000.0 / seconds, seconds);
    return 0;
}

// The track loaded whole as a sound effect: its peak memory against the sample's size.
int sampleLoad(const char* track) {
    PelgraAudio_SetOutput("manual");
    if (FSOUND_Init(kRate, 32, 0) != 1) {
        return 1;
    }
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts over from here
    const long before = residentKilobytes("VmRSS");
    const auto start = Clock::now();
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, track, FSOUND_NORMAL, 0, 0);
    const double loadMs = millisecondsSince(start);
    const long peak = residentKilobytes("VmHWM");
    const long after = residentKilobytes("VmRSS");
    if (sample == nullptr) {
        return 1;
    }
    std::printf("%-22s  sample +%.1f MB, peak while loading +%.1f MB (%.2fx), %.0f ms\n",
                "PelgraAudio effect", (after - before) / 1024.0, (peak - before) / 1024.0,
                static_cast<double>(peak - before) / static_cast<double>(after - before), loadMs);
    FSOUND_Sample_Free(sample);
    FSOUND_Close();
    return 0;
}

int inChild(int (*measure)(const char*), const char* track) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const int failed = measure(track);
        std::fflush(stdout);
        std::_Exit(failed);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string track = argc > 1 ? argv[1] : "";
    std::optional<testsupport::ScratchFolder> scratch;
    if (track.empty()) {
        track = scratch.emplace("stream-bench").path("track.ogg");
        // Pink noise: as hard on the decoder as dense music, about 3 MB at this quality.
        const std::string command = "sox -V1 -n -r 44100 -c 2 -C 6 '" + track + "' synth " +
                                    std::to_string(kTrackSeconds) + " pinknoise vol 0.3";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "stream_bench: sox could not write %s\n", track.c_str());
            return 1;
        }
    }
    std::printf("track: %s, %.1f MB\n", track.c_str(),
                static_cast<double>(std::filesystem::file_size(track)) / (1 << 20));
    int failed = 0;
    for (int (*measure)(const char*) :
         {pelgraSong, sdlMixerMusic, decodeAndResampleAlone, sampleLoad}) {
        failed += inChild(measure, track.c_str()) != 0 ? 1 : 0;
    }
    return failed == 0 ? 0 : 1;
}
