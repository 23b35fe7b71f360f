// The utility library's application window and its records.
//
// Their members are the utility library's; the engine library defines and exports the
// copy assignments, which copy every member as plain data.
#ifndef PELGRA_SDK_WINDOW_H
#define PELGRA_SDK_WINDOW_H

#include "PelgraEngineExport.h"

class CWindow {
public:
    struct CWindowPos {
        PELGRA_ENGINE_API CWindowPos& operator=(const CWindowPos& other);
    };

    struct CWindowSize {
        PELGRA_ENGINE_API CWindowSize& operator=(const CWindowSize& other);
    };

    struct CWindowInfo {
        PELGRA_ENGINE_API CWindowInfo& operator=(const CWindowInfo& other);
    };

    PELGRA_ENGINE_API CWindow& operator=(const CWindow& other);
};

#endif
