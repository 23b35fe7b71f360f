/* The entry point of a console program: the Universal CRT parses the command line, the
 * static initializers run, then main, whose result is the exit status. */
#include "Initializers.h"

#include <stdlib.h>

/* The Universal CRT's parsing of the command line, which mingw-w64's headers do not
 * declare; stdlib.h declares where it keeps the result. */
enum { kArgvUnexpanded = 1 };
__declspec(dllimport) int _configure_narrow_argv(int mode);

int main(int argc, char** argv);

void mainCRTStartup(void) {
    _configure_narrow_argv(kArgvUnexpanded);
    pelgra_run_static_initializers();
    exit(main(*__p___argc(), *__p___argv()));
}
