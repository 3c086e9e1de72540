// Path joins and the staging-name check.
#include "paths.h"

#include <windows.h>

int JoinPath(char *target, int capacity, const char *directory, const char *name) {
    // The length is checked first, so a path is never cut into a different one.
    int length = lstrlenA(directory);
    if (length + 1 + lstrlenA(name) + 1 > capacity) {
        return 0;
    }
    lstrcpyA(target, directory);
    target[length] = '\\';
    lstrcpyA(target + length + 1, name);
    return 1;
}

// Steps over one character of the ANSI code page: a lead byte and its trail byte together, so
// a trail byte of 0x5C is never taken for a backslash.
static const char *NextCharacter(const char *c) {
    if (*c == '\0') {
        return c;
    }
    return IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1] != '\0' ? c + 2 : c + 1;
}

void RemoveFileSpec(char *path) {
    const char *cursor = path;
    const char *cut = path;
    // A leading "\" or "\\" (root of the drive, UNC) is kept.
    for (int i = 0; i < 2 && *cursor == '\\'; ++i) {
        cut = ++cursor;
    }
    while (*cursor != '\0') {
        if (*cursor == '\\') {
            cut = cursor;
        } else if (*cursor == ':') {
            // The drive is kept, and a backslash right after it: "C:\b.exe" -> "C:\".
            cut = ++cursor;
            if (*cursor == '\\') {
                ++cut;
            }
        }
        cursor = NextCharacter(cursor);
    }
    path[cut - path] = '\0';
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

// Walks the name a character at a time: a trail byte of 0x5C in a double-byte code page is part of
// a character, not a separator, so such a name is neither refused nor cut as if it had one.
int IsNameBelowDirectory(const char *name) {
    if (name[0] == '\0' || IsSeparator(name[0])) {
        return 0;
    }
    const char *start = name;
    for (const char *c = name;; c = NextCharacter(c)) {
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

int NamesSubDirectory(const char *name) {
    for (const char *c = name; *c != '\0'; c = NextCharacter(c)) {
        if (IsSeparator(*c)) {
            return 1;
        }
    }
    return 0;
}
