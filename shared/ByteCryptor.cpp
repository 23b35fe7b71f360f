// The members of the byte cipher's classes that the engine library defines.
#include "PelgraSDK/ByteCryptor.h"

#include <cstring>

ByteCryptor::CBuffer::CBuffer() {
    ClearBuffer();
}

void ByteCryptor::CBuffer::ClearBuffer() {
    m_used = 0;
    std::memset(m_data, 0, sizeof m_data);
}

ByteCryptor::CBuffer& ByteCryptor::CBuffer::operator=(const CBuffer& other) = default;
ByteCryptor& ByteCryptor::operator=(const ByteCryptor& other) = default;
