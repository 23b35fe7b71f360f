// The copy assignments of the memory containers, defined here so that the engine library
// exports them.
#include "PelgraSDK/Buffers.h"

CBitArray& CBitArray::operator=(const CBitArray& other) = default;
CRawBuffer& CRawBuffer::operator=(const CRawBuffer& other) = default;
