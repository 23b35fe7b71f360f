#include "handles/HandleTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// While set, every allocation fails, as when memory runs out.
std::atomic<bool> g_allocationsFail{false};

} // namespace

void* operator new(std::size_t size) {
    void* memory = g_allocationsFail.load() ? nullptr : std::malloc(size > 0 ? size : 1);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

// Not inlined, so that the compiler does not take the free() for a mismatch of the new.
[[gnu::noinline]] void operator delete(void* memory) noexcept {
    std::free(memory);
}

[[gnu::noinline]] void operator delete(void* memory, std::size_t /*size*/) noexcept {
    std::free(memory);
}

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

TEST(HandleTableTest, RemovingNeedsNoMemory) {
    // A remove that failed halfway would leave its object stranded in a stale slot.
    SampleTable table;
    std::vector<std::uintptr_t> handles(100);
    for (std::uintptr_t& handle : handles) {
        handle = table.insert(std::make_unique<int>(0));
    }
    g_allocationsFail = true;
    int removed = 0;
    for (const std::uintptr_t handle : handles) {
        try {
            removed += table.remove(handle) != nullptr ? 1 : 0;
        } catch (const std::bad_alloc&) {
            // Counted below as not removed.
        }
    }
    g_allocationsFail = false;
    EXPECT_EQ(removed, 100);
    EXPECT_EQ(table.size(), 0u);
}

TEST(HandleTableTest, RefusesInsertsWhenFull) {
    // 65535: what PelgraAudio.h states may be loaded at once, of samples and of songs.
    constexpr std::size_t kLoadedAtOnce = 65535;
    SampleTable table;
    for (std::size_t count = 0; count < kLoadedAtOnce; ++count) {
        ASSERT_NE(table.insert(std::make_unique<int>(0)), 0u);
    }
    EXPECT_EQ(table.insert(std::make_unique<int>(0)), 0u);
}

} // namespace
