// Path joins that never overrun, the removal of a path's file name, and the checks that keep
// staging inside its own directory.
#pragma once

// Joins directory and name with one backslash into target (capacity characters, terminator
// included), as "%s\%s" formats them. 0 and target untouched when the joined path does not fit.
int JoinPath(char *target, int capacity, const char *directory, const char *name);

// Removes the file name and its backslash in place, exactly as the shell's PathRemoveFileSpecA
// does: "C:\a\b.exe" -> "C:\a", "C:\b.exe" -> "C:\", "\\server\share\b" -> "\\server\share",
// "b.exe" -> "". Provided here so that a start does not load the shell libraries.
void RemoveFileSpec(char *path);

// 1 when name is a file below the directory it is joined to: not absolute, no drive, no stream,
// no ".." component (either separator), and a last component that is a file name.
int IsNameBelowDirectory(const char *name);

// 1 when name holds a separator (either one), walked a character at a time: a trail byte of 0x5C
// in a double-byte code page is part of a character, not a separator.
int NamesSubDirectory(const char *name);
