// Export macro of the engine library.
//
// The engine library is built with hidden visibility: only declarations marked
// PELGRA_ENGINE_API are part of its binary interface. On Windows the same macro
// selects dllexport while the library itself is built and dllimport for its users.
#ifndef PELGRA_ENGINE_EXPORT_H
#define PELGRA_ENGINE_EXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(PELGRA_ENGINE_BUILDING)
#define PELGRA_ENGINE_API __declspec(dllexport)
#else
#define PELGRA_ENGINE_API __declspec(dllimport)
#endif
#else
#define PELGRA_ENGINE_API __attribute__((visibility("default")))
#endif

#endif
