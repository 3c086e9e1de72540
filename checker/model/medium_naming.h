// What a medium does to the names of its files, where it is not a plain directory: which of the
// names it carries Windows reads, and what those names lose against its others.
#pragma once

#include "described.h"

#include <optional>
#include <string>
#include <vector>

// The file systems a medium can carry names in.
#define FILE_SYSTEM_ROWS(X)                                                                        \
    X(Udf, "udf", "UDF")                                                                           \
    X(Joliet, "joliet", "Joliet")                                                                  \
    X(Iso9660, "iso9660", "ISO 9660")                                                              \
    X(RockRidge, "rock-ridge", "Rock Ridge")
DESCRIBED_ENUM(FileSystem, FILE_SYSTEM_ROWS)

// A file whose name in the medium's other names is not the one Windows reads.
struct RenamedFile {
    std::string path;        // in the other names, '/' between names
    std::string windowsPath; // as Windows reads it
};

// A directory that the medium's writer moved below its root, as ISO 9660's eight levels make it:
// Windows finds it at movedTo, and an empty file at its own place.
struct MovedDirectory {
    std::string path; // where the other names put it
    std::string movedTo;
    int depth = 0; // its level below the root
};

struct MediumNaming {
    std::vector<FileSystem> present;  // in the order of FileSystem
    std::optional<FileSystem> read;   // none: no file system Windows reads
    std::optional<FileSystem> others; // the names compared with Windows'
    std::vector<RenamedFile> renamed;
    std::vector<std::string> leftOut; // files of the other names Windows does not see
    std::vector<MovedDirectory> moved;
};
