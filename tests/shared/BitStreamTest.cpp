#include "PelgraSoundEngine.h"

#include <gtest/gtest.h>

namespace {

using CBitStream = CCompressor::CBitStream;

// The bit helpers are private to the bit stream. An explicit instantiation may name a
// private member, which gives the tests pointers to them without widening the class.
template <typename Tag, typename Tag::Pointer member> struct Expose {
    friend typename Tag::Pointer pointerTo(Tag /*tag*/) { return member; }
};

struct TestBitTag {
    using Pointer = bool (CBitStream::*)(unsigned short, char);
    friend Pointer pointerTo(TestBitTag tag);
};
struct SetBitTag {
    using Pointer = void (CBitStream::*)(unsigned char*, char);
    friend Pointer pointerTo(SetBitTag tag);
};
struct ClearBitTag {
    using Pointer = void (CBitStream::*)(unsigned char*, char);
    friend Pointer pointerTo(ClearBitTag tag);
};

template struct Expose<TestBitTag, &CBitStream::TestBit>;
template struct Expose<SetBitTag, &CBitStream::SetBit>;
template struct Expose<ClearBitTag, &CBitStream::ClearBit>;

bool testBit(unsigned short value, int bit) {
    CBitStream stream;
    return (stream.*pointerTo(TestBitTag{}))(value, static_cast<char>(bit));
}

unsigned char setBit(unsigned char byte, int bit) {
    CBitStream stream;
    (stream.*pointerTo(SetBitTag{}))(&byte, static_cast<char>(bit));
    return byte;
}

unsigned char clearBit(unsigned char byte, int bit) {
    CBitStream stream;
    (stream.*pointerTo(ClearBitTag{}))(&byte, static_cast<char>(bit));
    return byte;
}

TEST(BitStreamTest, TestBitSeesEachOfTheSixteenBitsAlone) {
    for (int bit = 0; bit < 16; ++bit) {
        const auto only = static_cast<unsigned short>(1U << bit);
        EXPECT_TRUE(testBit(only, bit)) << bit;
        EXPECT_FALSE(testBit(static_cast<unsigned short>(~only), bit)) << bit;
    }
}

TEST(BitStreamTest, TestBitUsesTheLowFiveBitsOfTheNumber) {
    EXPECT_TRUE(testBit(0x8000, 15));
    EXPECT_TRUE(testBit(1, 32));       // 32 counts as 0
    EXPECT_TRUE(testBit(2, 33));       // as 1
    EXPECT_TRUE(testBit(0x8000, -17)); // as 15
    for (int bit = 16; bit < 32; ++bit) {
        EXPECT_FALSE(testBit(0xFFFF, bit)) << bit;
    }
    EXPECT_FALSE(testBit(0xFFFF, -1)); // as 31
}

struct ByteCase {
    int bit;
    unsigned char before;
    unsigned char afterSet;
    unsigned char afterClear;
};

TEST(BitStreamTest, SetAndClearChangeOnlyTheNumberedBitOfAByte) {
    const ByteCase cases[] = {
        {7, 0x00, 0x80, 0x00},   {0, 0xFF, 0xFF, 0xFE},  {4, 0x0F, 0x1F, 0x0F},
        {0, 0x0F, 0x0F, 0x0E},   {32, 0x00, 0x01, 0x00}, {39, 0xFF, 0xFF, 0x7F},
        {-25, 0x00, 0x80, 0x00}, // -25 counts as 7
    };
    for (const ByteCase& c : cases) {
        EXPECT_EQ(setBit(c.before, c.bit), c.afterSet) << c.bit;
        EXPECT_EQ(clearBit(c.before, c.bit), c.afterClear) << c.bit;
    }
}

TEST(BitStreamTest, SetAndClearLeaveTheByteAloneForBitsEightToThirtyOne) {
    for (int bit : {8, 15, 16, 31, -1, 40}) {
        for (unsigned char byte : {0x00, 0x5A, 0xFF}) {
            EXPECT_EQ(setBit(byte, bit), byte) << bit;
            EXPECT_EQ(clearBit(byte, bit), byte) << bit;
        }
    }
}

} // namespace
