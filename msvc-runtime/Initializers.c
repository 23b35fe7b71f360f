#include "Initializers.h"

#include <stddef.h>

typedef void (*Initializer)(void);

/* The linker sorts the sections named .CRT$XC* by the text after the '$', so the
 * compiler's entries (.CRT$XCU) land between these two markers. */
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) const Initializer g_firstInitializer = NULL;
__declspec(allocate(".CRT$XCZ")) const Initializer g_lastInitializer = NULL;

/* Referenced by every object file that uses floating point, as Microsoft's runtime
 * defines it. */
const int _fltused = 0;

void pelgra_run_static_initializers(void) {
    for (const Initializer* entry = &g_firstInitializer + 1; entry < &g_lastInitializer; ++entry) {
        if (*entry != NULL) {
            (*entry)();
        }
    }
}
