// The utility classes across the two DLLs: PelgraSDK.dll constructs and assigns texts
// (allocating their buffers), PelgraSoundEngine.dll compares and destroys them (releasing
// the buffers), and this program holds the objects. The by-value result of Strings'
// assignment and the constructors are where Microsoft's ABI passes values differently
// from GCC's, so a wrong build shows here as a wrong text or a crash.
#include "Checks.h"
#include "PelgraSoundEngine.h"

#include <stdio.h>
#include <string.h>

namespace {

enum Order { kLess, kEqual, kGreater };

struct Comparison {
    const char* left;
    const char* right;
    Order order;
};

// Null stands for a Strings made from a null pointer, which reads as the empty text.
const Comparison kComparisons[] = {
    {"", "", kEqual},           {"abc", "abc", kEqual},     {"abc", "abd", kLess},
    {"abd", "abc", kGreater},   {"abc", "abcd", kLess},     {"abcd", "abc", kGreater},
    {"B", "a", kLess},          {"\x80", "\x7f", kGreater}, {"az", "a\xff", kLess},
    {nullptr, "", kEqual},      {nullptr, "a", kLess},      {"a", nullptr, kGreater},
    {nullptr, nullptr, kEqual},
};

// ==, !=, <, >, <= and >= as the bits 0 to 5.
unsigned expectedResults(Order order) {
    switch (order) {
    case kLess:
        return 0x16; // != < <=
    case kEqual:
        return 0x31; // == <= >=
    case kGreater:
        return 0x2a; // != > >=
    }
    return 0;
}

template <typename Right> unsigned results(Strings& left, Right right) {
    return (left == right ? 0x01U : 0U) | (left != right ? 0x02U : 0U) |
           (left < right ? 0x04U : 0U) | (left > right ? 0x08U : 0U) |
           (left <= right ? 0x10U : 0U) | (left >= right ? 0x20U : 0U);
}

void everyComparisonWithBothOperandKinds() {
    for (const Comparison& c : kComparisons) {
        Strings left(c.left);
        Strings right(c.right);
        char rightText[8] = {};
        if (c.right != nullptr) {
            memcpy(rightText, c.right, strlen(c.right) + 1);
        }
        const unsigned expected = expectedResults(c.order);
        const unsigned withStrings = results(left, right);
        const unsigned withText = results(left, c.right != nullptr ? rightText : nullptr);
        CHECK(withStrings == expected);
        CHECK(withText == expected);
        if (withStrings != expected || withText != expected) {
            printf("    comparing \"%s\" with \"%s\"\n", c.left != nullptr ? c.left : "(null)",
                   c.right != nullptr ? c.right : "(null)");
        }
    }
}

void sizeTextAndCopyOfTheText() {
    Strings word("hello");
    Strings none(nullptr);
    CHECK(word.strsize() == 5);
    CHECK(none.strsize() == 0);
    CHECK(none.c_str() == nullptr);
    char copied[8];
    memset(copied, 'x', sizeof copied);
    word.makestr(copied);
    CHECK_TEXT(copied, "hello");
    CHECK(copied[6] == 'x');
    none.makestr(copied);
    CHECK(copied[0] == '\0' && copied[1] == 'e');
    word.c_str()[2] = '\0'; // the buffer itself, and its size counted anew
    CHECK(word.strsize() == 2);
}

// Copies made in PelgraSDK.dll own buffers of their own, which the engine DLL releases.
void copiesOwnTheirBuffers() {
    Strings original("original");
    Strings copy(original);
    CHECK(copy.c_str() != original.c_str());
    CHECK_TEXT(copy.c_str(), "original");
    auto* onTheHeap = new Strings(original);
    original.c_str()[0] = 'O';
    CHECK_TEXT(onTheHeap->c_str(), "original");
    delete onTheHeap;
    CHECK_TEXT(original.c_str(), "Original");
}

// The assignment returns a further copy by value: three buffers, each released once.
void assignmentReturnsAnIndependentCopy() {
    Strings target("old");
    Strings source("assigned");
    {
        Strings returned = (target = source);
        CHECK_TEXT(target.c_str(), "assigned");
        CHECK_TEXT(returned.c_str(), "assigned");
        CHECK(returned.c_str() != target.c_str() && returned.c_str() != source.c_str());
        CHECK(target.c_str() != source.c_str());
    }
    Strings& same = target;
    target = same; // self-assignment keeps the text
    CHECK_TEXT(target.c_str(), "assigned");
    Strings none(nullptr);
    target = none;
    CHECK(target.c_str() == nullptr);
    CHECK(target.strsize() == 0);
}

// The entry's copy and assignment are the engine DLL's; they call the text's constructor
// and assignment in PelgraSDK.dll and release the assignment's returned copy.
void listEntriesCopyTheirTexts() {
    CStringsList source("first");
    source.m_id = 10;
    source.m_next = 13;
    CStringsList copy(source);
    CHECK(copy.m_id == 10 && copy.m_flags == 0 && copy.m_previous == 0 && copy.m_next == 13);
    CHECK_TEXT(copy.m_text.c_str(), "first");
    CHECK(copy.m_text.c_str() != source.m_text.c_str());

    CStringsList target("old");
    CHECK(&(target = source) == &target);
    source.m_text.c_str()[0] = 'F';
    CHECK_TEXT(target.m_text.c_str(), "first");
    CHECK(target.m_id == 10 && target.m_next == 13);
}

// The coder's constructor and destructor (engine DLL) build and tear down the statistics
// and the queue (PelgraSDK.dll), each owning a heap table of its own.
void coderBuildsItsMembersInTheOtherDll() {
    for (int i = 0; i < 3; ++i) {
        auto* coder = new CCompressor::CHuffmanCoder;
        CCompressor::CHuffmanCoder onTheStack;
        CHECK(memcmp(coder, &onTheStack, sizeof onTheStack) != 0);
        delete coder;
    }
}

// On the heap: two buffers would outgrow the one stack page that a frame may take without
// probing, and the probe is Microsoft's runtime's, which these programs do without.
void cipherBufferAndThreadHandle() {
    auto* buffer = new ByteCryptor::CBuffer;
    CHECK(buffer->m_used == 0);
    buffer->m_used = 7;
    buffer->m_data[0] = 9;
    auto* copy = new ByteCryptor::CBuffer;
    CHECK(&(*copy = *buffer) == copy);
    CHECK(copy->m_used == 7 && copy->m_data[0] == 9);
    buffer->ClearBuffer();
    CHECK(buffer->m_used == 0 && buffer->m_data[0] == 0);
    delete buffer;
    delete copy;

    CThread thread;
    CHECK(thread.GetThreadHandle() == nullptr);
}

const checks::Group kGroups[] = {
    {"Strings: every comparison, with both operand kinds", everyComparisonWithBothOperandKinds},
    {"Strings: size, buffer and copy of the text", sizeTextAndCopyOfTheText},
    {"Strings: copies own their buffers", copiesOwnTheirBuffers},
    {"Strings: assignment returns an independent copy", assignmentReturnsAnIndependentCopy},
    {"CStringsList: copies and assignments", listEntriesCopyTheirTexts},
    {"CHuffmanCoder: members built in the other DLL", coderBuildsItsMembersInTheOtherDll},
    {"ByteCryptor::CBuffer and CThread", cipherBufferAndThreadHandle},
};

} // namespace

int main() {
    return checks::runGroups(kGroups, sizeof kGroups / sizeof kGroups[0], nullptr);
}
