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
// A tone of 1500 Hz has 32 frames a period: a window of 32 frames holds one peak.
constexpr double kProbeHz = 1500.0;
constexpr int kPeriod = 32;
constexpr double kPi = 3.14159265358979323846;

double rms(const std::vector<float>& stereo, int first, int frames) {
    double sum = 0.0;
    for (int i = 2 * first; i < 2 * (first + frames); ++i) {
        sum += static_cast<double>(stereo[static_cast<std::size_t>(i)]) *
               stereo[static_cast<std::size_t>(i)];
    }
    return std::sqrt(sum / (2.0 * frames));
}

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
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

class SongVolumeTest : public ManualAudioTest {
protected:
    // A looping song of a mono tone, a whole number of periods long.
    FMUSIC_MODULE* loadTone(const std::string& name, double hz) {
        const std::string file = m_folder.writeSine(name, {kSecond, 1, kSecond, hz, kAmplitude});
        return FMUSIC_LoadSong(file.c_str());
    }

    // The level of the probe tone in each period from `first`: its peak over kAmplitude.
    static std::vector<float> levels(const std::vector<float>& out, int first, int periods) {
        std::vector<float> found;
        found.reserve(static_cast<std::size_t>(periods));
        for (int p = 0; p < periods; ++p) {
            found.push_back(measure::peak(out, 0, first + p * kPeriod, first + (p + 1) * kPeriod) /
                            static_cast<float>(kAmplitude));
        }
        return found;
    }
};

TEST_F(SongVolumeTest, ACrossfadeKeepsTheSummedLevelAndDoesNotClick) {
    FMUSIC_MODULE* from = loadTone("from.wav", 440.0);
    FMUSIC_MODULE* to = loadTone("to.wav", 940.0); // 500 Hz apart: 10 beats a window
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    FMUSIC_PlaySong(from);
    const std::vector<float> before = render(kSecond / 4);
    const double start = rms(before, kSecond / 4 - kWindow, kWindow);

    ASSERT_EQ(PelgraAudio_SetSongVolume(to, 0), 1);
    ASSERT_EQ(FMUSIC_PlaySong(to), 1);
    ASSERT_EQ(PelgraAudio_FadeSong(to, 255, 2000), 1);
    ASSERT_EQ(PelgraAudio_FadeSongOut(from, 2000), 1);
    const std::vector<float> fade = render(2 * kSecond + kSettle);
    for (int first = 0; first + kWindow <= 2 * kSecond + kSettle; first += kWindow / 2) {
        ASSERT_NEAR(decibels(rms(fade, first, kWindow) / start), 0.0, 1.5) << "at frame " << first;
    }
    EXPECT_LE(largestBend(fade), ownBend(440.0) + ownBend(940.0));

    EXPECT_EQ(stats().songsPlaying, 1) << "the song faded out has stopped";
    const std::vector<float> after = render(kSecond / 4);
    EXPECT_NEAR(measure::frequency(after, 0, kRate), 940.0, 1.0);
    EXPECT_NEAR(decibels(rms(after, 0, kSecond / 4) / start), 0.0, 0.1);
}

TEST_F(SongVolumeTest, TheVolumeScalesTheSongGlidesAndIsKept) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    FMUSIC_PlaySong(song);
    const std::vector<float> full = render(kSecond / 4);
    ASSERT_EQ(PelgraAudio_SetSongVolume(song, 128), 1);
    const std::vector<float> half = render(kSecond / 4);
    const double ratio = rms(half, kSecond / 8, kSecond / 8) / rms(full, kSecond / 8, kSecond / 8);
    EXPECT_NEAR(decibels(ratio), decibels(128.0 / 255.0), 0.05);

    // Down from the next mixed frame (the output is late by the limiter's delay), over one
    // block of 256 frames, a little in each period: no step.
    const std::vector<float> glide = levels(half, kOutputDelay, 10);
    EXPECT_GT(glide[0], 0.97f);
    EXPECT_GT(glide[3], 0.7f);
    EXPECT_LT(glide[4], 0.9f);
    for (std::size_t p = 1; p < glide.size(); ++p) {
        EXPECT_LE(glide[p], glide[p - 1] + 1e-3f) << "period " << p;
        EXPECT_GT(glide[p], glide[p - 1] - 0.15f) << "period " << p;
    }
    EXPECT_NEAR(glide[9], 128.0f / 255.0f, 0.01f);

    // Kept across a stop and a start; set while the song is not heard, at once.
    FMUSIC_StopSong(song);
    render(kSettle);
    FMUSIC_PlaySong(song);
    EXPECT_NEAR(decibels(rms(render(kSecond / 4), kSecond / 8, kSecond / 8) /
                         rms(full, kSecond / 8, kSecond / 8)),
                decibels(128.0 / 255.0), 0.05);
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
    // The gain of a fade from full level to silence over a second, `frames` frames in.
    const auto along = [](int frames) {
        return static_cast<float>(std::sin(kPi / 2.0 * (1.0 - frames / double(kSecond))));
    };
    ASSERT_EQ(PelgraAudio_FadeSong(song, 0, 1000), 1);
    const std::vector<float> down = render(kSecond / 2);
    // Each period's peak comes 8 frames into it; the output is late by the limiter's delay.
    const int halfWay = kSecond / 2 - 4 * kPeriod;
    EXPECT_NEAR(levels(down, halfWay, 1)[0], along(halfWay - kOutputDelay + 8), 0.005f);

    // Paused, the fade moves on only by the pause's own short fade-out.
    FMUSIC_SetPaused(song, 1);
    render(kSecond / 2);
    FMUSIC_SetPaused(song, 0);
    const std::vector<float> resumed = render(kSecond / 8);
    const int paused = kSecond / 2 + 192;
    EXPECT_NEAR(levels(resumed, kOutputDelay + kSettle, 1)[0], along(paused + kSettle + 8), 0.01f);

    ASSERT_EQ(PelgraAudio_FadeSong(song, 255, 250), 1);
    const std::vector<float> up = render(kSecond / 2);
    EXPECT_LE(largestBend(up), ownBend(kProbeHz));
    EXPECT_NEAR(levels(up, kOutputDelay, 1)[0], along(paused + kSecond / 8), 0.01f)
        << "from the level heard";
    EXPECT_NEAR(levels(up, kSecond / 2 - kPeriod, 1)[0], 1.0f, 0.002f);
}

TEST_F(SongVolumeTest, AFadeOutStopsAndRewindsTheSongUnlessItIsPlayedAgain) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    FMUSIC_PlaySong(song);
    const std::vector<float> first = render(kSecond / 4);

    ASSERT_EQ(PelgraAudio_FadeSongOut(song, 100), 1);
    const std::vector<float> out = render(kSecond / 4);
    EXPECT_NEAR(levels(out, kOutputDelay + kSecond / 20, 1)[0], std::sin(kPi / 4.0), 0.01);
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
    const std::vector<float> again = render(kSecond / 4);
    EXPECT_EQ(stats().songsPlaying, 1);
    EXPECT_NEAR(levels(again, kSecond / 4 - kPeriod, 1)[0], 1.0f, 0.002f);
}

TEST_F(SongVolumeTest, BadArgumentsAreRefusedAndChangeNothing) {
    FMUSIC_MODULE* song = loadTone("probe.wav", kProbeHz);
    ASSERT_NE(song, nullptr);
    const auto refused = [](int result, int code) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(PelgraAudio_GetError(), code);
    };
    refused(PelgraAudio_SetSongVolume(song, 256), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_SetSongVolume(song, -1), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(song, 300, 10), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(song, 0, -1), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSong(song, 0, PELGRA_AUDIO_MAX_FADE_MILLIS + 1),
            PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_FadeSongOut(song, -1), PELGRA_AUDIO_ERR_INVALID_PARAM);
    refused(PelgraAudio_SetSongVolume(nullptr, 10), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    refused(PelgraAudio_FadeSong(nullptr, 300, -1), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    FMUSIC_PlaySong(song);
    EXPECT_NEAR(measure::peak(render(kSettle), 0, kOutputDelay + kSettle / 2),
                static_cast<float>(kAmplitude), 0.01)
        << "the song plays on at full level";

    EXPECT_EQ(PelgraAudio_FadeSong(song, 255, PELGRA_AUDIO_MAX_FADE_MILLIS), 1);
    FMUSIC_FreeSong(song);
    refused(PelgraAudio_FadeSongOut(song, 10), PELGRA_AUDIO_ERR_INVALID_HANDLE);
    FSOUND_Close();
    refused(PelgraAudio_SetSongVolume(song, 10), PELGRA_AUDIO_ERR_UNINITIALIZED);
}

} // namespace
