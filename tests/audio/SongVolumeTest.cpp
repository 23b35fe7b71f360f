// Songs' own volumes and fades through the C calls, mixed by the manual output: levels,
// glides, the equal-power crossfade, and the fade-out that stops a song.
#include "ManualAudioTest.h"
#include "SignalMeasures.h"

#include <cmath>
#include <string>

namespace {

constexpr int kSecond = 48000;
constexpr int kSettle = 1024; // longer than every short fade
constexpr int kWindow = 960;  // 20 ms
constexpr double kAmplitude = 0.5;
// A tone of 1500 Hz has 32 frames a period, its peak 8 frames in.
constexpr double kProbeHz = 1500.0;
constexpr int kPeriod = 32;
using measure::kPi;

double rmsDecibels(const std::vector<float>& stereo, int first, int frames) {
    double sum = 0.0;
    for (std::size_t i = 2 * first; i < 2 * static_cast<std::size_t>(first + frames); ++i) {
        sum += static_cast<double>(stereo[i]) * stereo[i];
    }
    return 10.0 * std::log10(sum / (2.0 * frames));
}

// The largest second difference of the left channel: a tone's own is small and smooth,
// a step in its gain (a click) adds as much as the step.
float largestBend(const std::vector<float>& stereo) {
    float largest = 0.0f;
    for (std::size_t i = 2; i + 2 < stereo.size(); i += 2) {
        largest = std::max(largest, std::abs(stereo[i + 2] - 2.0f * stereo[i] + stereo[i - 2]));
    }
    return largest;
}

// The largest second difference of a sine of kAmplitude at `hz`, plus 16-bit rounding.
float ownBend(double hz) {
    const double half = std::sin(kPi * hz / kSecond);
    return static_cast<float>(4.0 * kAmplitude * half * half + 4.0 / 32768.0);
}

// The gain of a fade from full level to silence over a second, `frames` frames in.
float fadingDown(int frames) {
    return static_cast<float>(std::sin(kPi / 2.0 * (1.0 - frames / double(kSecond))));
}

class SongVolumeTest : public ManualAudioTest {
protected:
    // A looping song of a mono tone, a whole number of periods long.
    FMUSIC_MODULE* loadTone(const std::string& name, double hz) {
        const std::string file = m_folder.writeSine(name, {kSecond, 1, kSecond, hz, kAmplitude});
        return FMUSIC_LoadSong(file.c_str());
    }

    // The probe tone's gain in the period from output frame `first`.
    static float level(const std::vector<float>& out, int first) {
        return measure::peak(out, 0, first, first + kPeriod) / static_cast<float>(kAmplitude);
    }
};

TEST_F(SongVolumeTest, ACrossfadeKeepsTheSummedLevelAndDoesNotClick) {
    FMUSIC_MODULE* from = loadTone("from.wav", 440.0);
    FMUSIC_MODULE* to = loadTone("to.wav", 940.0); // 500 Hz apart: 10 beats a window
    FMUSIC_PlaySong(from);
    const double start = rmsDecibels(render(kSecond / 4), kSecond / 4 - kWindow, kWindow);

    ASSERT_EQ(PelgraAudio_SetSongVolume(to, 0), 1);
    ASSERT_EQ(FMUSIC_PlaySong(to), 1);
    ASSERT_EQ(PelgraAudio_FadeSong(to, 255, 2000), 1);
    ASSERT_EQ(PelgraAudio_FadeSongOut(from, 2000), 1);
    const std::vector<float> fade = render(2 * kSecond + kSettle);
    for (int first = 0; first + kWindow <= 2 * kSecond + kSettle; first += kWindow / 2) {
        ASSERT_NEAR(rmsDecibels(fade, first, kWindow), start, 1.5) << "at frame " << first;
    }
    EXPECT_LE(largestBend(fade), ownBend(440.0) + ownBend(940.0));
    EXPECT_EQ(stats().songsPlaying, 1) << "the song faded out has stopped";
    EXPECT_NEAR(measure::frequency(render(kSecond / 4), 0, kRate), 940.0, 1.0);
}

TEST_F(SongVolumeTest, TheVolumeScalesTheSongGlidesAndIsKept) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    FMUSIC_PlaySong(song);
    const double full = rmsDecibels(render(kSecond / 4), kSecond / 8, kSecond / 8);
    ASSERT_EQ(PelgraAudio_SetSongVolume(song, 128), 1);
    const std::vector<float> half = render(kSecond / 4);
    EXPECT_NEAR(rmsDecibels(half, kSecond / 8, kSecond / 8) - full, -5.99, 0.05);
    // From the next mixed frame (late by the limiter's delay), along one block of 256.
    EXPECT_GT(level(half, kOutputDelay), 0.97f);
    EXPECT_GT(level(half, kOutputDelay + 3 * kPeriod), 0.7f);
    EXPECT_LT(level(half, kOutputDelay + 4 * kPeriod), 0.9f);
    EXPECT_NEAR(level(half, kOutputDelay + 8 * kPeriod), 128.0f / 255.0f, 0.01f);

    // Kept across a stop and a start; set while the song is not heard, at once.
    FMUSIC_StopSong(song);
    render(kSettle);
    FMUSIC_PlaySong(song);
    EXPECT_NEAR(rmsDecibels(render(kSecond / 4), kSecond / 8, kSecond / 8) - full, -5.99, 0.05);
    FMUSIC_StopSong(song);
    render(kSettle);
    PelgraAudio_SetSongVolume(song, 0);
    FMUSIC_PlaySong(song);
    EXPECT_LT(measure::peak(render(kSecond / 4), 0), 1e-6f);
}

TEST_F(SongVolumeTest, AFadeFollowsTheCurveWaitsWhilePausedAndGivesWayWithoutAClick) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    FMUSIC_PlaySong(song);
    render(kSettle);
    ASSERT_EQ(PelgraAudio_FadeSong(song, 0, 1000), 1);
    const int halfWay = kSecond / 2 - 4 * kPeriod;
    EXPECT_NEAR(level(render(kSecond / 2), halfWay), fadingDown(halfWay - kOutputDelay + 8),
                0.005f);

    // Paused, the fade moves on only by the pause's own short fade-out (192 frames).
    FMUSIC_SetPaused(song, 1);
    render(kSecond / 2);
    FMUSIC_SetPaused(song, 0);
    const int paused = kSecond / 2 + 192;
    EXPECT_NEAR(level(render(kSecond / 8), kOutputDelay + kSettle),
                fadingDown(paused + kSettle + 8), 0.01f);

    ASSERT_EQ(PelgraAudio_FadeSong(song, 255, 250), 1);
    const std::vector<float> up = render(kSecond / 2);
    EXPECT_LE(largestBend(up), ownBend(kProbeHz));
    EXPECT_NEAR(level(up, kOutputDelay), fadingDown(paused + kSecond / 8), 0.01f)
        << "from the level heard";
    EXPECT_NEAR(level(up, kSecond / 2 - kPeriod), 1.0f, 0.002f);
}

TEST_F(SongVolumeTest, AFadeOutStopsAndRewindsTheSongUnlessItIsPlayedAgain) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    FMUSIC_PlaySong(song);
    const std::vector<float> first = render(kSecond / 4);

    ASSERT_EQ(PelgraAudio_FadeSongOut(song, 100), 1);
    const std::vector<float> out = render(kSecond / 4);
    EXPECT_NEAR(level(out, kOutputDelay + kSecond / 20), std::sin(kPi / 4.0), 0.01);
    // Silent from the fade's last frame on, to the frame.
    const int last = kOutputDelay + kSecond / 10 - 1;
    EXPECT_GT(measure::peak(out, 0, last - kPeriod, last), 0.001f);
    EXPECT_EQ(measure::peak(out, 0, last), 0.0f);
    EXPECT_EQ(stats().songsPlaying, 0);
    // From its beginning, at the volume it had before the fade-out.
    FMUSIC_PlaySong(song);
    EXPECT_EQ(render(kSecond / 4), first);

    // A start before the fade-out's end calls the stop off.
    PelgraAudio_FadeSongOut(song, 100);
    render(kSecond / 20);
    FMUSIC_PlaySong(song);
    EXPECT_NEAR(level(render(kSecond / 4), kSecond / 4 - kPeriod), 1.0f, 0.002f);
    EXPECT_EQ(stats().songsPlaying, 1);
}

TEST_F(SongVolumeTest, BadArgumentsAreRefusedAndChangeNothing) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    const auto refused = [](int result, int code) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(PelgraAudio_GetError(), code);
    };
    refused(PelgraAudio_SetSongVolume(song, 256), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(song, -1, 10), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(song, 0, -1), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSongOut(song, PELGRA_AUDIO_MAX_FADE_MILLIS + 1),
            PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(nullptr, 300, -1), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    FMUSIC_PlaySong(song);
    EXPECT_NEAR(level(render(kSettle), kSettle / 2), 1.0f, 0.01f) << "at full level";

    EXPECT_EQ(PelgraAudio_FadeSong(song, 255, PELGRA_AUDIO_MAX_FADE_MILLIS), 1);
    FMUSIC_FreeSong(song);
    refused(PelgraAudio_SetSongVolume(song, 10), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    FSOUND_Close();
    refused(PelgraAudio_SetSongVolume(song, 10), PELGRA_AUDIO_ERR_UNINITIALIZED);
}

} // namespace
