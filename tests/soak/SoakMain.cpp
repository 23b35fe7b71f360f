// The soak test: four application threads make random calls of the engine's objects and
// the audio library for a set time, against the null output mixing in real time, while
// a fifth thread closes and restarts the library now and then. It then frees what the
// threads still hold and checks that every good load made while the library ran
// succeeded, that every bad load and every call on a dead handle was refused, and that
// the library's count of live samples and songs is back to zero, and that no callback
// used more of the audio thread's CPU time than one buffer's length (CPU time, not wall
// time, so that a busy machine preempting the thread does not count against it). It
// also reports the longest callback in wall time and the longest gap between two.
//
//   pelgra_soak [--seconds N] [--seed S]      (defaults: 20 s, seed 1)
#include "AppThread.h"
#include "Lifecycle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kAppThreads = 4;
constexpr int kVoices = 32;

struct Options {
    int seconds = 20;
    std::uint32_t seed = 1;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) {
            options.seconds = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--seed") == 0) {
            options.seed = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && options.seconds > 0;
}

PelgraAudioStats stats() {
    PelgraAudioStats figures{};
    PelgraAudio_GetStats(&figures);
    return figures;
}

// Prints the check and returns whether it held.
bool check(bool held, const char* what) {
    std::printf("  %-4s %s\n", held ? "ok" : "FAIL", what);
    return held;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--seconds N] [--seed S]\n", argv[0]);
        return 2;
    }
    const soak::SoakFiles files;
    soak::RunEpoch epoch;
    soak::Lifecycle lifecycle(epoch, kVoices, options.seed);
    PelgraAudio_SetCpuTiming(1);
    if (PelgraAudio_SetOutput("null") != 1 || !lifecycle.start()) {
        std::fprintf(stderr, "the library did not start with the null output\n");
        return 1;
    }

    std::vector<std::unique_ptr<soak::AppThread>> apps;
    apps.reserve(kAppThreads);
    for (int i = 0; i < kAppThreads; ++i) {
        apps.push_back(std::make_unique<soak::AppThread>(files, epoch, kVoices,
                                                         options.seed * 7919u + 1u + i));
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    std::transform(apps.begin(), apps.end(), std::back_inserter(threads),
                   [&stop](auto& app) { return std::thread([&app, &stop] { app->run(stop); }); });
    std::thread starter([&] { lifecycle.run(stop); });
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    stop = true;
    starter.join();
    for (std::thread& thread : threads) {
        thread.join();
    }

    // The library runs again (or never stopped): what the threads still hold is all
    // that may be alive.
    soak::Tally total;
    std::size_t held = 0;
    for (const auto& app : apps) {
        total += app->tally();
        held += app->holding();
    }
    const PelgraAudioStats before = stats();
    const auto aliveBefore = static_cast<std::size_t>(before.samplesAlive + before.songsAlive);
    for (auto& app : apps) {
        app->releaseAll();
    }
    const PelgraAudioStats after = stats();
    lifecycle.close();

    const soak::CallbackFigures& audio = lifecycle.figures();
    std::printf("soak: %d s, seed %u, %d application threads, %d restarts of the library\n",
                options.seconds, options.seed, kAppThreads, lifecycle.restarts());
    std::printf("  calls %llu (%llu through engine objects), plays %llu (%llu started)\n",
                static_cast<unsigned long long>(total.calls),
                static_cast<unsigned long long>(total.engineCalls),
                static_cast<unsigned long long>(total.plays),
                static_cast<unsigned long long>(total.playsStarted));
    std::printf("  good loads while running %llu (%llu failed), across a restart %llu;"
                " bad loads %llu (%llu accepted)\n",
                static_cast<unsigned long long>(total.goodLoadsWhileRunning),
                static_cast<unsigned long long>(total.goodLoadsFailed),
                static_cast<unsigned long long>(total.goodLoadsAcrossRestart),
                static_cast<unsigned long long>(total.badLoads),
                static_cast<unsigned long long>(total.badLoadsAccepted));
    std::printf("  calls on dead handles %llu (%llu accepted)\n",
                static_cast<unsigned long long>(total.staleCalls),
                static_cast<unsigned long long>(total.staleCallsAccepted));
    std::printf("  alive at the end: %zu of %zu held; after the frees: %d samples, %d songs\n",
                aliveBefore, held, after.samplesAlive, after.songsAlive);
    std::printf("  audio thread: %llu callbacks, longest %u us against a budget of %.0f us"
                " (%.1f%%), longest gap between callbacks %u us\n",
                audio.callbacks, audio.longestCallbackMicros, audio.budgetMicros,
                audio.budgetMicros > 0 ? 100.0 * audio.longestCallbackMicros / audio.budgetMicros
                                       : 0.0,
                audio.longestGapMicros);
    std::printf("  audio thread CPU: longest %u us in one callback against a budget of %.0f us"
                " (%.1f%%)\n",
                audio.longestCpuMicros, audio.cpuBudgetMicros,
                audio.cpuBudgetMicros > 0 ? 100.0 * audio.longestCpuMicros / audio.cpuBudgetMicros
                                          : 0.0);

    bool passed = check(lifecycle.failedStarts() == 0, "every start succeeded");
    passed &= check(total.goodLoadsWhileRunning > 0 && total.goodLoadsFailed == 0,
                    "every good load made while the library ran succeeded");
    passed &= check(total.badLoadsAccepted == 0, "every bad load was refused");
    passed &= check(total.staleCallsAccepted == 0, "every call on a dead handle was refused");
    passed &= check(aliveBefore <= held, "nothing alive that no thread holds");
    passed &= check(after.samplesAlive == 0 && after.songsAlive == 0,
                    "no sample or song alive after the frees");
    passed &= check(audio.callbacks > 0, "the audio thread mixed");
    passed &= check(audio.longestCpuMicros <= audio.cpuBudgetMicros,
                    "no callback used more CPU time than its buffer lasts");
    return passed ? 0 : 1;
}
