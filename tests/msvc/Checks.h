// The checks of the Microsoft-ABI test programs. GoogleTest cannot be built for that ABI
// here (it needs Microsoft's C++ library), so each program is a list of named groups of
// checks: every failed check prints where and what, each group prints one line, and the
// program exits non-zero when any check failed.
#ifndef PELGRA_TESTS_MSVC_CHECKS_H
#define PELGRA_TESTS_MSVC_CHECKS_H

namespace checks {

struct Group {
    const char* name;
    void (*run)();
};

void fail(const char* file, int line, const char* what);
// Fails unless both texts are equal; a null text stands for the empty one.
void expectText(const char* file, int line, const char* actual, const char* expected);

// Runs beforeEach (when not null) and then each group; 0 when every check passed, else 1.
int runGroups(const Group* groups, int count, void (*beforeEach)());

} // namespace checks

#define CHECK(condition) ((condition) ? (void)0 : checks::fail(__FILE__, __LINE__, #condition))
#define CHECK_TEXT(actual, expected) checks::expectText(__FILE__, __LINE__, (actual), (expected))

#endif
