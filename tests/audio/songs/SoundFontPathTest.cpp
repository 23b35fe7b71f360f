// Where MIDI songs find their SoundFont: the user's choice, then one shipped beside the
// library, then the system's.
#include "song/SoundFontPath.h"
#include "Environment.h"
#include "TestSounds.h"
#include "platform/LibraryFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using pelgra::audio::libraryFolder;
using pelgra::audio::soundFontPath;

namespace {

TEST(SoundFontPath, TheVariableThenTheOneBesideTheLibraryThenTheSystems) {
    testsupport::ScratchFolder folder("soundfont");
    ASSERT_EQ(testenv::unset("PELGRA_SOUNDFONT"), 0);
#if defined(_WIN32)
    const std::string system;
#else
    const std::string system = "/usr/share/sounds/sf2/TimGM6mb.sf2";
#endif
    EXPECT_EQ(soundFontPath(folder.folder()), system);
    EXPECT_EQ(soundFontPath({}), system);

    std::filesystem::create_directories(folder.folder() / "soundfonts" / "default.sf2");
    EXPECT_EQ(soundFontPath(folder.folder()), system) << "a folder is no SoundFont";
    std::filesystem::remove(folder.folder() / "soundfonts" / "default.sf2");
    std::ofstream(folder.folder() / "soundfonts" / "default.sf2") << "RIFF";
    const std::string shipped = (folder.folder() / "soundfonts" / "default.sf2").string();
    EXPECT_EQ(soundFontPath(folder.folder()), shipped);

    ASSERT_EQ(testenv::set("PELGRA_SOUNDFONT", "chosen.sf2"), 0);
    EXPECT_EQ(soundFontPath(folder.folder()), "chosen.sf2");
    ASSERT_EQ(testenv::unset("PELGRA_SOUNDFONT"), 0);
}

// This program holds the library's code itself, so its folder is the library's.
TEST(LibraryFolder, IsTheFolderOfTheFileTheLibraryWasLoadedFrom) {
    const std::filesystem::path folder = libraryFolder();
    EXPECT_TRUE(folder.is_absolute()) << folder;
#if defined(_WIN32)
    EXPECT_TRUE(std::filesystem::exists(folder / "song_test.exe")) << folder;
#else
    EXPECT_TRUE(std::filesystem::exists(folder / "song_test")) << folder;
#endif
}

} // namespace
