#include "PelgraSoundEngine.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum class Order { Less, Equal, Greater };

// The results of ==, !=, <, >, <= and >=, in that order.
using Results = std::array<bool, 6>;

Results resultsFor(Order order) {
    switch (order) {
    case Order::Less:
        return {false, true, true, false, true, false};
    case Order::Equal:
        return {true, false, false, false, true, true};
    case Order::Greater:
        return {false, true, false, true, false, true};
    }
    return {};
}

// A null pointer stands for a text that is null itself.
Results compareWithStrings(const char* left, const char* right) {
    Strings l(left);
    Strings r(right);
    return {l == r, l != r, l<r, l> r, l <= r, l >= r};
}

Results compareWithText(const char* left, const char* right) {
    Strings l(left);
    std::string rightCopy = right != nullptr ? right : "";
    char* r = right != nullptr ? rightCopy.data() : nullptr;
    return {l == r, l != r, l<r, l> r, l <= r, l >= r};
}

struct Comparison {
    const char* name;
    const char* left;
    const char* right;
    Order order;
};

void PrintTo(const Comparison& comparison, std::ostream* out) {
    *out << comparison.name;
}

class StringsComparisonTest : public ::testing::TestWithParam<Comparison> {};

TEST_P(StringsComparisonTest, AllSixOperatorsAgreeForBothOperandKinds) {
    const Comparison& c = GetParam();
    EXPECT_EQ(compareWithStrings(c.left, c.right), resultsFor(c.order)) << "Strings operand";
    EXPECT_EQ(compareWithText(c.left, c.right), resultsFor(c.order)) << "char* operand";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringsComparisonTest,
    ::testing::Values(Comparison{"BothEmpty", "", "", Order::Equal},
                      Comparison{"Same", "abc", "abc", Order::Equal},
                      Comparison{"LastByteSmaller", "abc", "abd", Order::Less},
                      Comparison{"LastByteGreater", "abd", "abc", Order::Greater},
                      Comparison{"ProperPrefix", "abc", "abcd", Order::Less},
                      Comparison{"ExtendsTheOther", "abcd", "abc", Order::Greater},
                      Comparison{"EmptyBeforeAny", "", "a", Order::Less},
                      Comparison{"UpperBeforeLower", "B", "a", Order::Less},
                      Comparison{"LowerAfterUpper", "a", "A", Order::Greater},
                      Comparison{"HighByteAfterAscii", "\x80", "\x7f", Order::Greater},
                      Comparison{"AsciiBeforeHighByte", "az", "a\xff", Order::Less},
                      Comparison{"HighBytesAmongThemselves", "\xc3\xa9", "\xc3\xa8",
                                 Order::Greater},
                      Comparison{"NullEqualsEmpty", nullptr, "", Order::Equal},
                      Comparison{"NullBeforeText", nullptr, "a", Order::Less},
                      Comparison{"TextAfterNull", "a", nullptr, Order::Greater},
                      Comparison{"NullEqualsNull", nullptr, nullptr, Order::Equal}),
    [](const ::testing::TestParamInfo<Comparison>& info) { return info.param.name; });

TEST(StringsTest, SizeCountsBytesBeforeTheZero) {
    Strings word("hello");
    Strings empty("");
    Strings high("\xc3\xa9t\xc3\xa9");
    Strings none(nullptr);
    EXPECT_EQ(word.strsize(), 5);
    EXPECT_EQ(empty.strsize(), 0);
    EXPECT_EQ(high.strsize(), 5);
    EXPECT_EQ(none.strsize(), 0);
}

TEST(StringsTest, TextIsTheBufferItselfAndSizeIsCountedAnew) {
    Strings word("hello");
    char* buffer = word.c_str();
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(word.c_str(), buffer);
    buffer[2] = '\0';
    EXPECT_EQ(word.strsize(), 2);
    EXPECT_TRUE(word == std::string("he").data());
}

TEST(StringsTest, NullTextHasNoBuffer) {
    Strings none(nullptr);
    EXPECT_EQ(none.c_str(), nullptr);
}

// Copies the text and its zero, and not a byte more.
TEST(StringsTest, MakestrCopiesTheTextAndItsZeroOnly) {
    for (const char* text : {"hello", "", static_cast<const char*>(nullptr)}) {
        Strings source(text);
        const std::string expected = text != nullptr ? text : "";
        std::vector<char> destination(expected.size() + 4, 'x');
        source.makestr(destination.data());
        EXPECT_EQ(std::string(destination.data()), expected);
        EXPECT_EQ(destination[expected.size()], '\0');
        EXPECT_EQ(destination[expected.size() + 1], 'x');
    }
}

CStringsList makeEntry(const char* text, std::int32_t first) {
    CStringsList entry(text);
    entry.m_id = first;
    entry.m_flags = first + 1;
    entry.m_previous = first + 2;
    entry.m_next = first + 3;
    return entry;
}

void expectPlainMembers(const CStringsList& entry, std::int32_t first) {
    EXPECT_EQ(entry.m_id, first);
    EXPECT_EQ(entry.m_flags, first + 1);
    EXPECT_EQ(entry.m_previous, first + 2);
    EXPECT_EQ(entry.m_next, first + 3);
}

TEST(StringsListTest, CopyHoldsTheTextInABufferOfItsOwn) {
    CStringsList source = makeEntry("first", 10);
    CStringsList copy(source);
    expectPlainMembers(copy, 10);
    EXPECT_STREQ(copy.m_text.c_str(), "first");
    EXPECT_NE(copy.m_text.c_str(), source.m_text.c_str());
}

// The assignment's returned Strings is released inside it; the target must not share that
// buffer or the source's. The sanitizers report a use after free or a double free here.
TEST(StringsListTest, AssignedEntryIsIndependentOfItsSourceAndTheReturnedCopy) {
    CStringsList target = makeEntry("old", 1);
    {
        CStringsList source = makeEntry("copied", 20);
        EXPECT_EQ(&(target = source), &target);
        expectPlainMembers(target, 20);
        source.m_text.c_str()[0] = 'C';
        EXPECT_STREQ(source.m_text.c_str(), "Copied");
        EXPECT_STREQ(target.m_text.c_str(), "copied");
        Strings changed("changed");
        source.m_text = changed;
        EXPECT_STREQ(target.m_text.c_str(), "copied");
    }
    EXPECT_STREQ(target.m_text.c_str(), "copied");
    EXPECT_EQ(target.m_text.strsize(), 6);
}

TEST(StringsListTest, AssignmentFromANullTextLeavesTheTargetEmpty) {
    CStringsList target("old");
    CStringsList source(nullptr);
    target = source;
    EXPECT_EQ(target.m_text.strsize(), 0);
    EXPECT_TRUE(target.m_text == source.m_text);
}

} // namespace
