// Path joins and the staging-name check.
#include "paths.h"

#include <windows.h>

int JoinPath(char *target, int capacity, const char *directory, const char *name) {
    // wsprintfA has no bound: the length is checked first, so a path is never cut into a
    // different one.
    if (lstrlenA(directory) + 1 + lstrlenA(name) + 1 > capacity) {
        return 0;
    }
    wsprintfA(target, "%s\\%s", directory, name);
    return 1;
}

static int IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows drops trailing dots and spaces from a path component, so ".. " and "..." can climb
// like "..": any component made only of dots and spaces with two dots or more is refused.
static int IsClimbingComponent(const char *start, const char *end) {
    int dots = 0;
    for (const char *c = start; c < end; ++c) {
        if (*c == '.') {
            ++dots;
        } else if (*c != ' ') {
            return 0;
        }
    }
    return dots >= 2;
}

// A component made only of dots and spaces (".", ". ", "..") names no file of its own.
static int IsDotsOnly(const char *start, const char *end) {
    for (const char *c = start; c < end; ++c) {
        if (*c != '.' && *c != ' ') {
            return 0;
        }
    }
    return 1;
}

int IsNameBelowDirectory(const char *name) {
    if (name[0] == '\0' || IsSeparator(name[0])) {
        return 0;
    }
    const char *start = name;
    for (const char *c = name;; ++c) {
        if (*c == ':') {
            return 0; // a drive ("C:x") or an alternate stream
        }
        if (*c == '\0' || IsSeparator(*c)) {
            if (IsClimbingComponent(start, c)) {
                return 0;
            }
            if (*c == '\0') {
                // The last component must name a file, not the directory itself ("sub\", ".").
                return !IsDotsOnly(start, c);
            }
            start = c + 1;
        }
    }
}
