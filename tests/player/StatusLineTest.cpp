#include "StatusLine.h"
#include "Levels.h"
#include "Player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace pelgra::play;

TEST(StatusLine, ShowsTimeTitleVoicesAndMeters) {
    Status status;
    status.seconds = 63.27;
    status.title = "laser.wav";
    status.voicesInUse = 2;
    status.voices = 32;
    status.peakLeft = 1.0f;
    status.peakRight = 0.0f;
    EXPECT_EQ(formatStatus(status),
              "01:03.2  laser.wav  voices 2/32  L[============] R[            ]");
    status.paused = true;
    EXPECT_EQ(formatStatus(status).substr(formatStatus(status).size() - 8), "  paused");
}

TEST(StatusLine, ShowsTheLengthBesideTheTimeWhenKnown) {
    Status status;
    status.seconds = 1.05;
    status.length = 3725.0;
    status.title = "test tune";
    status.voices = 32;
    EXPECT_EQ(formatStatus(status).substr(0, 30), "00:01.0 / 62:05.0  test tune  ");
}

TEST(StatusLine, MeterFollowsDecibelsDownToMinusSixty) {
    EXPECT_EQ(levelBar(1.0f, 10), "==========");
    EXPECT_EQ(levelBar(1.5f, 10), "==========");   // overs stay within the bar
    EXPECT_EQ(levelBar(0.001f, 10), "          "); // -60 dBFS
    EXPECT_EQ(levelBar(0.0f, 10), "          ");
    EXPECT_EQ(levelBar(0.0316f, 10), "=====     "); // -30 dBFS
}

TEST(Levels, PeakAndRmsOfASineAndOfSilence) {
    std::vector<float> sine(48000);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<float>(0.5 * std::sin(6.283185307179586 * 1000.0 * i / 48000.0));
    }
    LevelMeter meter;
    meter.add(sine.data(), sine.size());
    EXPECT_NEAR(meter.peak(), 0.5, 1e-6);
    EXPECT_NEAR(meter.rms(), 0.5 / std::sqrt(2.0), 1e-4);
    EXPECT_EQ(formatDbfs(meter.peak()), "-6.0 dBFS");
    EXPECT_EQ(formatDbfs(meter.rms()), "-9.0 dBFS");

    const LevelMeter silence;
    EXPECT_EQ(formatDbfs(silence.rms()), "-inf dBFS");
}

TEST(StatusLine, TellsWhenTheDeviceGoesAndWhenItIsBack) {
    PelgraAudioOutputState before{1, 0, 0, "Speakers"};
    PelgraAudioOutputState lost{0, 1, 0, ""};
    PelgraAudioOutputState back{1, 1, 1, "Headphones"};
    EXPECT_EQ(deviceChange(before, before), "");
    EXPECT_EQ(deviceChange(before, lost), "device lost: keeping time");
    EXPECT_EQ(deviceChange(lost, lost), "");
    EXPECT_EQ(deviceChange(lost, back), "device back: Headphones");
    // Lost and back between two looks: the listener hears it back.
    EXPECT_EQ(deviceChange(before, back), "device back: Headphones");

    Status status;
    status.deviceLost = true;
    EXPECT_EQ(formatStatus(status).substr(formatStatus(status).size() - 13), "  device lost");
}
