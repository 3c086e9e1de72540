// The medium a check reads, behind one interface whatever its kind: a directory, or a disc image
// read as Windows mounts it. A kind is a file of its own (with its host and Windows sides) and a
// row in medium_kinds.cpp; nothing above this asks which kind it reads.
#pragma once

#include "../model/observation.h"

#include <memory>
#include <optional>
#include <string>

// The file name the loader is given on a medium.
inline const char kLoaderName[] = "loader.exe";

// What a Windows path of the loader's machine names, and where it lies on this machine.
struct MachineFile {
    FileKind kind = FileKind::Unknown; // Unknown where this machine cannot tell
    std::string hostPath;              // where its bytes lie here, when it is a file there
    std::string nameOnMedium; // relative to the medium, '/' between names, as it lies there;
                              // empty for a path off the medium
};

class Medium {
  public:
    virtual ~Medium() = default;
    // The loader's full path on the machine, as the loader reads its own; empty when it does not
    // fit the loader's buffer.
    virtual std::string LoaderPath() const = 0;
    // The medium as reports name it when the command line names none.
    virtual std::string Directory() const = 0;
    // What a path names, read as GetFileAttributesA reads it, names matched without regard to
    // case; a file is streamed out where this machine's readers can read it.
    virtual MachineFile LookUp(const std::string &path) = 0;
    // What the medium does to names; nothing where its names are its files' own.
    virtual std::optional<MediumNaming> Naming() const = 0;
    // Whether the medium is one file holding the others (a disc image).
    virtual bool IsFile() const = 0;
};

// One kind of medium: whether a path given is one, and how to open it.
struct MediumKind {
    const char *name; // with its article, as a message names it
    bool (*takes)(const std::string &path);
    // nullptr and a message when it cannot be read.
    std::unique_ptr<Medium> (*open)(const std::string &path, std::string *error);
};

// The medium at path (on Windows, empty: the checker's own directory), of the first kind that
// takes it; nullptr and a message when none does or it cannot be read.
std::unique_ptr<Medium> OpenMedium(const std::string &path, std::string *error);
