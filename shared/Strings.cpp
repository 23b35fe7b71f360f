// The members of Strings and CStringsList that the engine library defines.
#include "PelgraSDK/Strings.h"

#include <cstring>
#include <new>

namespace {

// A Strings without a buffer, and a null argument, read as the empty text.
const char* textOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// Below, equal to or above zero as left sorts before, with or after right. strcmp takes
// the bytes as unsigned values.
int compareTexts(const char* left, const char* right) {
    return std::strcmp(textOrEmpty(left), textOrEmpty(right));
}

} // namespace

// The buffer comes from PelgraSDK's single-object operator new.
Strings::~Strings() {
    ::operator delete(m_text);
}

int Strings::strsize() {
    return static_cast<int>(std::strlen(textOrEmpty(m_text)));
}

void Strings::makestr(char* destination) {
    std::memcpy(destination, textOrEmpty(m_text), static_cast<std::size_t>(strsize()) + 1);
}

char* Strings::c_str() {
    return m_text;
}

bool Strings::operator==(char* text) {
    return compareTexts(m_text, text) == 0;
}
bool Strings::operator!=(char* text) {
    return compareTexts(m_text, text) != 0;
}
bool Strings::operator<(char* text) {
    return compareTexts(m_text, text) < 0;
}
bool Strings::operator>(char* text) {
    return compareTexts(m_text, text) > 0;
}
bool Strings::operator<=(char* text) {
    return compareTexts(m_text, text) <= 0;
}
bool Strings::operator>=(char* text) {
    return compareTexts(m_text, text) >= 0;
}

bool Strings::operator==(Strings& other) {
    return *this == other.c_str();
}
bool Strings::operator!=(Strings& other) {
    return *this != other.c_str();
}
bool Strings::operator<(Strings& other) {
    return *this < other.c_str();
}
bool Strings::operator>(Strings& other) {
    return *this > other.c_str();
}
bool Strings::operator<=(Strings& other) {
    return *this <= other.c_str();
}
bool Strings::operator>=(Strings& other) {
    return *this >= other.c_str();
}

CStringsList::CStringsList(const CStringsList& other) = default;

CStringsList& CStringsList::operator=(CStringsList& other) = default;
