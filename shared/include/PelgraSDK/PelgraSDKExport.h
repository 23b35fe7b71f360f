// Export macro of the utility library PelgraSDK.
//
// The utility library's classes hold members of two libraries: most are PelgraSDK's own,
// while the engine library defines and exports some of them (PELGRA_ENGINE_API). So the
// macros mark single members, never whole classes: a class-level attribute would make one
// library claim the other's members. On Windows the macro selects dllexport while
// PelgraSDK itself is built and dllimport for its users, the engine library included.
#ifndef PELGRA_SDK_EXPORT_H
#define PELGRA_SDK_EXPORT_H

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(PELGRA_SDK_BUILDING)
#define PELGRA_SDK_API __declspec(dllexport)
#else
#define PELGRA_SDK_API __declspec(dllimport)
#endif
#else
#define PELGRA_SDK_API __attribute__((visibility("default")))
#endif

#endif
