// Application threads calling at once while another thread renders: run under
// ThreadSanitizer by `make test`, where any unsynchronised access shows as a race.
#include "ManualAudioTest.h"

#include <atomic>
#include <thread>

namespace {

using testsupport::Sine;

class ConcurrencyTest : public ManualAudioTest {};

TEST_F(ConcurrencyTest, PlayStopAndFreeWhileRendering) {
    Sine sine;
    sine.frames = 2400;
    const std::string file = m_folder.writeSine("hammer.wav", sine);
    std::atomic<bool> hammering{true};

    std::thread renderer([&] {
        std::vector<float> out(2 * 256);
        while (hammering.load()) {
            PelgraAudio_Render(out.data(), 256);
        }
    });
    const auto hammer = [&](int seed) {
        for (int round = 0; round < 40; ++round) {
            const unsigned int mode =
                round % 2 == 0 ? FSOUND_NORMAL : FSOUND_NORMAL | FSOUND_LOOP_NORMAL;
            FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), mode, 0, 0);
            ASSERT_NE(sample, nullptr);
            for (int call = 0; call < 50; ++call) {
                FSOUND_PlaySound(FSOUND_FREE, sample);
                FSOUND_SetPaused((call + seed) % 8, call % 3 == 0);
                if (call % 7 == 0) {
                    FSOUND_StopSound(call % 14 == 0 ? FSOUND_ALL : call % 8);
                }
                FSOUND_SetSFXMasterVolume(call * 5);
            }
            EXPECT_EQ(FSOUND_Sample_Free(sample), 1);
            EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
        }
    };
    std::thread second(hammer, 1);
    hammer(0);
    second.join();
    hammering = false;
    renderer.join();

    EXPECT_EQ(stats().samplesAlive, 0);
    render(2048);
    EXPECT_EQ(stats().voicesInUse, 0) << "every voice stopped with its freed sample";
}

TEST_F(ConcurrencyTest, LoadsFailingOnSeveralThreadsAtOnce) {
    // A failed open leaves its reason in libsndfile's one global buffer.
    const std::string missing = m_folder.path("missing.wav");
    const std::string empty = m_folder.writeBytes("empty.wav", {});
    const std::string noise = m_folder.writeBytes("noise.wav", std::vector<unsigned char>(64, 7));
    const auto failLoading = [&] {
        for (int round = 0; round < 50; ++round) {
            for (const std::string& file : {missing, empty, noise}) {
                EXPECT_EQ(FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), FSOUND_NORMAL, 0, 0),
                          nullptr);
            }
        }
    };
    std::thread second(failLoading);
    failLoading();
    second.join();
}

TEST_F(ConcurrencyTest, RendersFromTwoThreadsAtOnceAreRefusedNotRaced) {
    FSOUND_SAMPLE* sample = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    for (int voice = 0; voice < 8; ++voice) {
        FSOUND_PlaySound(FSOUND_FREE, sample);
    }
    const auto renderMany = [] {
        std::vector<float> out(2 * 256);
        int refused = 0;
        for (int call = 0; call < 2000; ++call) {
            const int written = PelgraAudio_Render(out.data(), 256);
            EXPECT_TRUE(written == 256 || written == 0);
            if (written == 0) {
                EXPECT_EQ(PelgraAudio_GetError(), PELGRA_AUDIO_ERR_BUSY)
                    << "refused, not taken for closed";
                ++refused;
            }
        }
        return refused;
    };
    int refusedHere = 0;
    std::thread other([&] { refusedHere = renderMany(); });
    const int refusedThere = renderMany();
    other.join();
    EXPECT_LT(refusedHere + refusedThere, 4000) << "renders one at a time still mix";
    EXPECT_EQ(stats().framesMixed,
              static_cast<unsigned long long>(256 * (4000 - refusedHere - refusedThere)))
        << "every render either mixed alone or was refused";
}

TEST_F(ConcurrencyTest, CloseWhileAnotherThreadRenders) {
    FSOUND_SAMPLE* sample = loadSine(Sine{}, FSOUND_NORMAL | FSOUND_LOOP_NORMAL);
    FSOUND_PlaySound(FSOUND_FREE, sample);
    std::atomic<bool> rendering{true};
    std::atomic<int> rendered{0};
    std::thread renderer([&] {
        std::vector<float> out(2 * 256);
        while (rendering.load()) {
            rendered += PelgraAudio_Render(out.data(), 256) > 0 ? 1 : 0;
        }
    });
    while (rendered.load() < 10) {
        std::this_thread::yield();
    }
    FSOUND_Close();
    const int afterClose = rendered.load();
    for (int spin = 0; spin < 1000; ++spin) {
        std::this_thread::yield();
    }
    EXPECT_LE(rendered.load(), afterClose + 1) << "at most the render in progress";
    rendering = false;
    renderer.join();
}

} // namespace
