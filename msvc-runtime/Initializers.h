/* The module's static initializers, which the compiler lists between the linker sections
 * .CRT$XCA and .CRT$XCZ. */
#ifndef PELGRA_MSVC_RUNTIME_INITIALIZERS_H
#define PELGRA_MSVC_RUNTIME_INITIALIZERS_H

void pelgra_run_static_initializers(void);

#endif
