// The utility library's system facilities: threads, timing, random numbers, the registry.
//
// Their members are the utility library's; the engine library defines and exports the
// copy assignments, which copy every member as plain data, and CThread::GetThreadHandle.
#ifndef PELGRA_SDK_SYSTEM_H
#define PELGRA_SDK_SYSTEM_H

#include "PelgraEngineExport.h"

#include <cstdint>

// A thread of the host system, run by a class derived from this one.
class CThread {
public:
    PELGRA_ENGINE_API CThread& operator=(const CThread& other);
    // The system's handle of the thread, null while none runs.
    PELGRA_ENGINE_API void* GetThreadHandle();

protected:
    std::uint32_t m_threadId = 0;
    void* m_threadHandle = nullptr;
};

// A stopwatch.
class CCrono {
public:
    PELGRA_ENGINE_API CCrono& operator=(const CCrono& other);
};

// A periodic timer.
class CTimer {
public:
    PELGRA_ENGINE_API CTimer& operator=(const CTimer& other);
};

class CRandom {
public:
    PELGRA_ENGINE_API CRandom& operator=(const CRandom& other);
};

class CRegistry {
public:
    PELGRA_ENGINE_API CRegistry& operator=(const CRegistry& other);
};

#endif
