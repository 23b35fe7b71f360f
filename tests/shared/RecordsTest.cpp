#include "PelgraSoundEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <typeinfo>

namespace {

using CBuffer = ByteCryptor::CBuffer;

bool allZero(const CBuffer& buffer) {
    return buffer.m_used == 0 && std::all_of(std::begin(buffer.m_data), std::end(buffer.m_data),
                                             [](unsigned char byte) { return byte == 0; });
}

void fillWithPattern(CBuffer& buffer, unsigned char seed) {
    buffer.m_used = 0x12345600U + seed;
    for (int i = 0; i < CBuffer::kDataSize; ++i) {
        buffer.m_data[i] = static_cast<unsigned char>(i * 7 + seed);
    }
}

TEST(CipherBufferTest, ConstructionZeroesWhateverTheMemoryHeld) {
    alignas(CBuffer) unsigned char storage[sizeof(CBuffer)];
    std::memset(storage, 0xA5, sizeof storage);
    auto* buffer = new (storage) CBuffer;
    EXPECT_TRUE(allZero(*buffer));
    buffer->~CBuffer();
}

TEST(CipherBufferTest, ClearBufferZeroesTheValueAndEveryByte) {
    CBuffer buffer;
    fillWithPattern(buffer, 3);
    buffer.ClearBuffer();
    EXPECT_TRUE(allZero(buffer));
}

TEST(CipherBufferTest, AssignmentCopiesTheValueAndAllOfTheData) {
    CBuffer source;
    CBuffer target;
    fillWithPattern(source, 1);
    fillWithPattern(target, 2);
    EXPECT_EQ(&(target = source), &target);
    EXPECT_EQ(target.m_used, source.m_used);
    EXPECT_EQ(std::memcmp(target.m_data, source.m_data, sizeof source.m_data), 0);
}

// Each coder's statistics and queue own heap tables, so two coders never start out alike.
// A plain copy makes the target's representation equal to the source's; then the two share
// the source's tables, and the target gets its own back before it is destroyed, so each
// table is released once.
TEST(HuffmanCoderTest, AssignmentCopiesBothMembers) {
    CCompressor::CHuffmanCoder source;
    CCompressor::CHuffmanCoder target;
    unsigned char own[sizeof target];
    std::memcpy(own, static_cast<void*>(&target), sizeof target);
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): every byte must be copied
    ASSERT_NE(std::memcmp(&target, &source, sizeof target), 0);

    EXPECT_EQ(&(target = source), &target);
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): every byte must be copied
    EXPECT_EQ(std::memcmp(&target, &source, sizeof target), 0);

    std::memcpy(static_cast<void*>(&target), own, sizeof target);
}

class ThreadWithHandle : public CThread {
public:
    explicit ThreadWithHandle(void* handle) { m_threadHandle = handle; }
};

TEST(ThreadTest, HandleIsTheMemberBeforeAndAfterAssignment) {
    int first = 0;
    int second = 0;
    ThreadWithHandle target(&first);
    ThreadWithHandle source(&second);
    EXPECT_EQ(target.GetThreadHandle(), &first);
    CThread& base = target;
    EXPECT_EQ(&(base = source), &target);
    EXPECT_EQ(target.GetThreadHandle(), &second);
    EXPECT_EQ(source.GetThreadHandle(), &second);
}

template <typename Record> void expectAssignmentReturnsTheTarget() {
    Record source;
    Record target;
    EXPECT_EQ(&(target = source), &target) << typeid(Record).name();
}

TEST(MemberlessRecordTest, AssignmentReturnsTheTarget) {
    expectAssignmentReturnsTheTarget<CCompressor>();
    expectAssignmentReturnsTheTarget<CDrive>();
    expectAssignmentReturnsTheTarget<CFile>();
    expectAssignmentReturnsTheTarget<CFolder>();
    expectAssignmentReturnsTheTarget<CRandom>();
    expectAssignmentReturnsTheTarget<CRegistry>();
}

} // namespace
