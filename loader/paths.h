// Path joins that never overrun, and the check that keeps staging inside its directory.
#pragma once

// Joins directory and name with one backslash into target (capacity characters, terminator
// included). 0 and target untouched when the joined path does not fit.
int JoinPath(char *target, int capacity, const char *directory, const char *name);

// 1 when name is a file below the directory it is joined to: not absolute, no drive, no stream,
// no ".." component (either separator), and a last component that is a file name.
int IsNameBelowDirectory(const char *name);
