#include "Options.h"
#include "Errors.h"

#include <gtest/gtest.h>

using pelgra::play::Mode;
using pelgra::play::Options;
using pelgra::play::parseOptions;
using pelgra::play::UsageError;

namespace {

// The message of the usage error the arguments raise; empty when they raise none.
std::string usageErrorOf(const std::vector<std::string>& args) {
    try {
        parseOptions(args);
    } catch (const UsageError& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(Options, DefaultsPlayTheFilesGiven) {
    const Options options = parseOptions({"a.wav", "b.mod"});
    EXPECT_EQ(options.mode, Mode::Play);
    EXPECT_EQ(options.files, (std::vector<std::string>{"a.wav", "b.mod"}));
    EXPECT_FALSE(options.loop);
    EXPECT_FALSE(options.volume);
    EXPECT_EQ(options.rate, 48000);
    EXPECT_EQ(options.voices, 32);
    EXPECT_FALSE(options.seconds);
    EXPECT_FALSE(options.render);
}

TEST(Options, ValuesComeAfterTheOptionOrAfterAnEqualsSign) {
    const Options options =
        parseOptions({"--volume", "200", "--rate=22050", "--voices", "8", "--seconds=1.5",
                      "--render", "out.wav", "--loop", "x.wav"});
    EXPECT_EQ(options.volume, 200);
    EXPECT_EQ(options.rate, 22050);
    EXPECT_EQ(options.voices, 8);
    EXPECT_DOUBLE_EQ(*options.seconds, 1.5);
    EXPECT_EQ(options.render, "out.wav");
    EXPECT_TRUE(options.loop);
    EXPECT_EQ(options.files, std::vector<std::string>{"x.wav"});
}

TEST(Options, ModesNeedNoFilesOrOnlyFiles) {
    EXPECT_EQ(parseOptions({"--help"}).mode, Mode::Help);
    EXPECT_EQ(parseOptions({"-V"}).mode, Mode::Version);
    EXPECT_EQ(parseOptions({"--demo", "--render", "d.wav"}).mode, Mode::Demo);
    EXPECT_EQ(parseOptions({"--info", "a.wav"}).mode, Mode::Info);
}

TEST(Options, DoubleDashEndsTheOptions) {
    EXPECT_EQ(parseOptions({"--", "--loop"}).files, std::vector<std::string>{"--loop"});
}

TEST(Options, MalformedCommandLinesAreRefusedWithTheReason) {
    EXPECT_EQ(usageErrorOf({"--bogus", "a.wav"}), "unknown option --bogus");
    EXPECT_EQ(usageErrorOf({"a.wav", "--volume"}), "--volume needs a value");
    EXPECT_EQ(usageErrorOf({"--volume", "loud", "a.wav"}), "--volume: 'loud' is not a number");
    EXPECT_EQ(usageErrorOf({"--rate", "48k", "a.wav"}), "--rate: '48k' is not a number");
    EXPECT_EQ(usageErrorOf({"--loop=yes", "a.wav"}), "--loop takes no value");
    EXPECT_EQ(usageErrorOf({}), "no files given");
}

TEST(Options, ValuesOutsideTheirRangeAreRefused) {
    EXPECT_EQ(usageErrorOf({"--volume", "256", "a.wav"}), "--volume must be between 0 and 255");
    EXPECT_EQ(usageErrorOf({"--volume", "-1", "a.wav"}), "--volume must be between 0 and 255");
    EXPECT_EQ(usageErrorOf({"--rate", "4000", "a.wav"}), "--rate must be between 8000 and 192000");
    EXPECT_EQ(usageErrorOf({"--voices", "0", "a.wav"}), "--voices must be between 1 and 1024");
    EXPECT_EQ(usageErrorOf({"--seconds", "0", "a.wav"}), "--seconds must be more than 0");
    EXPECT_EQ(usageErrorOf({"--seconds", "nan", "a.wav"}), "--seconds must be more than 0");
    EXPECT_TRUE(usageErrorOf({"--volume", "0", "--volume", "255", "a.wav"}).empty());
}

TEST(Options, CombinationsThatCannotWorkAreRefused) {
    EXPECT_NE(usageErrorOf({"--demo", "a.wav"}), "");
    EXPECT_NE(usageErrorOf({"--info", "--render", "o.wav", "a.wav"}), "");
    EXPECT_NE(usageErrorOf({"--info", "--demo"}), "");
    // A looping effect rendered without a length would never end.
    EXPECT_NE(usageErrorOf({"--render", "o.wav", "--loop", "a.wav"}), "");
    EXPECT_EQ(usageErrorOf({"--render", "o.wav", "--loop", "--seconds", "2", "a.wav"}), "");
}
