#include "handles/HandleTable.h"

#include <gtest/gtest.h>

namespace {

using pelgra::audio::HandleKind;
using SampleTable = pelgra::audio::HandleTable<int, HandleKind::Sample>;
using SongTable = pelgra::audio::HandleTable<int, HandleKind::Song>;

TEST(HandleTableTest, FindsLiveObjectsOnly) {
    SampleTable table;
    const std::uintptr_t first = table.insert(std::make_unique<int>(1));
    const std::uintptr_t second = table.insert(std::make_unique<int>(2));
    ASSERT_NE(first, 0u);
    EXPECT_EQ(*table.find(first), 1);
    EXPECT_EQ(*table.find(second), 2);
    EXPECT_EQ(table.size(), 2u);

    EXPECT_EQ(*table.remove(first), 1);
    EXPECT_EQ(table.find(first), nullptr);
    EXPECT_EQ(table.remove(first), nullptr);

    const std::uintptr_t reused = table.insert(std::make_unique<int>(3));
    EXPECT_NE(reused, first) << "same slot, new generation";
    EXPECT_EQ(table.find(first), nullptr);
    EXPECT_EQ(*table.find(reused), 3);
    EXPECT_EQ(table.find(0), nullptr);
    EXPECT_EQ(table.find(reused + 4 * 100), nullptr) << "a slot never issued";
}

TEST(HandleTableTest, KindsDoNotMix) {
    SampleTable samples;
    SongTable songs;
    const std::uintptr_t sample = samples.insert(std::make_unique<int>(1));
    const std::uintptr_t song = songs.insert(std::make_unique<int>(2));
    EXPECT_EQ(songs.find(sample), nullptr);
    EXPECT_EQ(samples.find(song), nullptr);
}

TEST(HandleTableTest, RemoveAllMakesEveryHandleStale) {
    SampleTable table;
    const std::uintptr_t first = table.insert(std::make_unique<int>(1));
    const std::uintptr_t second = table.insert(std::make_unique<int>(2));
    table.remove(first);
    EXPECT_EQ(table.removeAll(), 1u);
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(table.find(second), nullptr);
    const std::uintptr_t again = table.insert(std::make_unique<int>(3));
    EXPECT_NE(again, first);
    EXPECT_NE(again, second);
}

TEST(HandleTableTest, RefusesInsertsWhenFull) {
    SampleTable table;
    for (std::size_t count = 0; count < SampleTable::kCapacity; ++count) {
        ASSERT_NE(table.insert(std::make_unique<int>(0)), 0u);
    }
    EXPECT_EQ(table.insert(std::make_unique<int>(0)), 0u);
}

} // namespace
