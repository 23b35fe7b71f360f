#include "Checks.h"

#include <stdio.h>
#include <string.h>

namespace {
int g_failuresInGroup = 0;
}

namespace checks {

void fail(const char* file, int line, const char* what) {
    ++g_failuresInGroup;
    printf("  %s:%d: failed: %s\n", file, line, what);
}

void expectText(const char* file, int line, const char* actual, const char* expected) {
    const char* shown = actual != nullptr ? actual : "";
    if (strcmp(shown, expected != nullptr ? expected : "") != 0) {
        ++g_failuresInGroup;
        printf("  %s:%d: text differs\n    expected: \"%s\"\n    actual:   \"%s\"\n", file, line,
               expected, shown);
    }
}

int runGroups(const Group* groups, int count, void (*beforeEach)()) {
    int failedGroups = 0;
    for (int i = 0; i < count; ++i) {
        g_failuresInGroup = 0;
        if (beforeEach != nullptr) {
            beforeEach();
        }
        groups[i].run();
        printf("[%s] %s\n", g_failuresInGroup == 0 ? " ok " : "FAIL", groups[i].name);
        failedGroups += g_failuresInGroup == 0 ? 0 : 1;
    }
    printf("%d of %d groups passed\n", count - failedGroups, count);
    return failedGroups == 0 ? 0 : 1;
}

} // namespace checks
