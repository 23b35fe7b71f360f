// Setting and clearing environment variables in tests, the same on POSIX and Windows.
#ifndef PELGRA_TESTS_ENVIRONMENT_H
#define PELGRA_TESTS_ENVIRONMENT_H

#include <cstdlib>

namespace testenv {

// Returns 0 on success, as setenv does.
inline int set(const char* name, const char* value) {
#if defined(_WIN32)
    return _putenv_s(name, value);
#else
    return setenv(name, value, 1);
#endif
}

inline int unset(const char* name) {
#if defined(_WIN32)
    return _putenv_s(name, ""); // an empty value removes the variable
#else
    return unsetenv(name);
#endif
}

} // namespace testenv

#endif
