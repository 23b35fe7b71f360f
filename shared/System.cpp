// The members of the system facilities that the engine library defines.
#include "PelgraSDK/System.h"

void* CThread::GetThreadHandle() {
    return m_threadHandle;
}

CThread& CThread::operator=(const CThread& other) = default;
CCrono& CCrono::operator=(const CCrono& other) = default;
CTimer& CTimer::operator=(const CTimer& other) = default;
CRandom& CRandom::operator=(const CRandom& other) = default;
CRegistry& CRegistry::operator=(const CRegistry& other) = default;
