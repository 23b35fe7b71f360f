// The utility library's text class and the list entry that holds one.
//
// Members marked PELGRA_ENGINE_API are defined in the engine library, the others in
// PelgraSDK. No member is const: the exported signatures are fixed that way.
#ifndef PELGRA_SDK_STRINGS_H
#define PELGRA_SDK_STRINGS_H

#include "PelgraEngineExport.h"
#include "PelgraSDK/PelgraSDKExport.h"

#include <cstdint>

// A zero-terminated text in a heap buffer that the object owns; copies get buffers of
// their own. A Strings made from a null pointer holds no buffer, and the members below
// read it as the empty text. Comparisons go byte by byte, each byte taken as an unsigned
// value, so a proper prefix sorts first, 'B' before 'a' and 0x80 and above after ASCII.
class Strings {
public:
    // Copies text into a new buffer; a null text makes a Strings without one.
    PELGRA_SDK_API explicit Strings(const char* text);
    PELGRA_SDK_API Strings(const Strings& other);
    PELGRA_ENGINE_API ~Strings();

    // Makes this object's text a copy of other's and returns a further copy by value,
    // which owns a buffer of its own.
    PELGRA_SDK_API Strings operator=(Strings& other);

    // The number of bytes before the terminating zero, counted on each call.
    PELGRA_ENGINE_API int strsize();
    // Copies the text and its terminating zero to destination, which must hold at least
    // strsize() + 1 bytes.
    PELGRA_ENGINE_API void makestr(char* destination);
    // The object's own buffer, not a copy; null when the object holds none.
    PELGRA_ENGINE_API char* c_str();

    // This object's text is the left operand; a null text counts as the empty one.
    PELGRA_ENGINE_API bool operator==(Strings& other);
    PELGRA_ENGINE_API bool operator!=(Strings& other);
    PELGRA_ENGINE_API bool operator<(Strings& other);
    PELGRA_ENGINE_API bool operator>(Strings& other);
    PELGRA_ENGINE_API bool operator<=(Strings& other);
    PELGRA_ENGINE_API bool operator>=(Strings& other);
    PELGRA_ENGINE_API bool operator==(char* text);
    PELGRA_ENGINE_API bool operator!=(char* text);
    PELGRA_ENGINE_API bool operator<(char* text);
    PELGRA_ENGINE_API bool operator>(char* text);
    PELGRA_ENGINE_API bool operator<=(char* text);
    PELGRA_ENGINE_API bool operator>=(char* text);

private:
    char* m_text;
    // The size of the buffer in bytes, terminating zero included; 0 without a buffer.
    std::int32_t m_bufferSize;
};

// One entry of a list of texts: its text, with an id and flags before it and the indices
// of its neighbours after it.
class CStringsList {
public:
    // An entry holding a copy of text, its other members 0.
    PELGRA_SDK_API explicit CStringsList(const char* text);
    // Copies every member; the text is copied into a buffer of its own.
    PELGRA_ENGINE_API CStringsList(const CStringsList& other);
    // Assigns every member in order. The text goes through Strings' assignment, whose
    // returned copy is destroyed at once.
    PELGRA_ENGINE_API CStringsList& operator=(CStringsList& other);

    std::int32_t m_id;
    std::int32_t m_flags;
    Strings m_text;
    std::int32_t m_previous;
    std::int32_t m_next;
};

#endif
