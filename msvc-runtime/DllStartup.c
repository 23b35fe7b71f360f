/* The entry point of a DLL: runs the static initializers when the DLL is loaded. */
#include "Initializers.h"

enum { kProcessAttach = 1 };

int _DllMainCRTStartup(void* instance, unsigned long reason, void* reserved) {
    (void)instance;
    (void)reserved;
    if (reason == kProcessAttach) {
        pelgra_run_static_initializers();
    }
    return 1;
}
