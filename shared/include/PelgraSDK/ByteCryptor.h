// The utility library's byte cipher and its working buffer.
//
// Members marked PELGRA_ENGINE_API are defined in the engine library. ByteCryptor's own
// members are the utility library's; only its copy assignment is the engine library's.
#ifndef PELGRA_SDK_BYTE_CRYPTOR_H
#define PELGRA_SDK_BYTE_CRYPTOR_H

#include "PelgraEngineExport.h"

#include <cstdint>

class ByteCryptor {
public:
    // A fixed data area and a 32-bit value telling how many of its bytes are in use.
    class CBuffer {
    public:
        static constexpr int kDataSize = 2048;

        // Sets the value and every byte of the data area to zero.
        PELGRA_ENGINE_API CBuffer();
        // The same as construction, on a living buffer.
        PELGRA_ENGINE_API void ClearBuffer();
        PELGRA_ENGINE_API CBuffer& operator=(const CBuffer& other);

        std::uint32_t m_used;
        unsigned char m_data[kDataSize];
    };

    PELGRA_ENGINE_API ByteCryptor& operator=(const ByteCryptor& other);
};

#endif
