// The utility library's memory containers.
//
// Their members are the utility library's; the engine library defines and exports the
// copy assignments, which copy every member as plain data.
#ifndef PELGRA_SDK_BUFFERS_H
#define PELGRA_SDK_BUFFERS_H

#include "PelgraEngineExport.h"

class CBitArray {
public:
    PELGRA_ENGINE_API CBitArray& operator=(const CBitArray& other);
};

class CRawBuffer {
public:
    PELGRA_ENGINE_API CRawBuffer& operator=(const CRawBuffer& other);
};

#endif
