// The facts of a Standard MIDI file read from its bytes: length through tempo changes,
// tracks, channels and title.
#include "MidiFacts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::optional<pelgra::midi::MidiFacts> readMidiFacts(const std::string& bytes) {
    return pelgra::midi::readMidiFacts(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       bytes.size());
}

std::string chunk(const std::string& tag, const std::string& body) {
    const auto size = body.size();
    return tag +
           std::string{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                       static_cast<char>(size >> 8), static_cast<char>(size)} +
           body;
}

std::string header(int type, int tracks, int divisionHigh, int divisionLow) {
    return chunk("MThd",
                 std::string{0, static_cast<char>(type), 0, static_cast<char>(tracks),
                             static_cast<char>(divisionHigh), static_cast<char>(divisionLow)});
}

// 96 ticks a quarter. The tempo track, named "Theme", holds one second a quarter for the
// first quarter, then half a second; the notes end after two quarters: 1.5 seconds in all.
const std::string kTempoTrack = chunk("MTrk", std::string("\x00\xFF\x03\x05Theme"
                                                          "\x00\xFF\x51\x03\x0F\x42\x40"
                                                          "\x60\xFF\x51\x03\x07\xA1\x20"
                                                          "\x00\xFF\x2F\x00",
                                                          27));
// Channel 1 plays a note under running status; channel 10 plays one. A long delta is
// written as a variable-length quantity (0x81 0x40 = 192 ticks).
const std::string kNoteTrack = chunk("MTrk", std::string("\x00\x90\x3C\x64"
                                                         "\x00\x40\x64"
                                                         "\x00\x99\x24\x64"
                                                         "\x81\x40\x89\x24\x00"
                                                         "\x00\x80\x3C\x00"
                                                         "\x00\x80\x40\x00"
                                                         "\x00\xFF\x2F\x00",
                                                         28));

} // namespace

TEST(MidiFacts, TypeTracksChannelsTitleAndLengthThroughTempoChanges) {
    const auto facts = readMidiFacts(header(1, 2, 0, 96) + kTempoTrack + kNoteTrack);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->type, 1);
    EXPECT_EQ(facts->tracks, 2);
    EXPECT_EQ(facts->channelsUsed, 2);
    EXPECT_DOUBLE_EQ(facts->seconds, 1.5);
    EXPECT_EQ(facts->title, "Theme");
    // Only the first track's name is the title.
    EXPECT_EQ(readMidiFacts(header(1, 2, 0, 96) + kNoteTrack + kTempoTrack)->title, "");
}

TEST(MidiFacts, WithoutATempoAQuarterLastsHalfASecond) {
    const auto facts = readMidiFacts(header(0, 1, 0, 96) + kNoteTrack);
    ASSERT_TRUE(facts);
    EXPECT_DOUBLE_EQ(facts->seconds, 1.0);
}

TEST(MidiFacts, TimecodeDivisionCountsFramesAndTicks) {
    // 25 frames a second, 40 ticks a frame: 192 ticks are 0.192 s.
    const auto facts =
        readMidiFacts(header(0, 1, static_cast<unsigned char>(-25), 40) + kNoteTrack);
    ASSERT_TRUE(facts);
    EXPECT_DOUBLE_EQ(facts->seconds, 0.192);
}

TEST(MidiFacts, OtherFilesAndCutShortOnesAreNotMidi) {
    EXPECT_FALSE(readMidiFacts(""));
    EXPECT_FALSE(readMidiFacts(std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16)));
    const std::string whole = header(1, 2, 0, 96) + kTempoTrack + kNoteTrack;
    EXPECT_FALSE(readMidiFacts(whole.substr(0, whole.size() - 3)));
    EXPECT_FALSE(readMidiFacts(whole.substr(0, 10)));
}
