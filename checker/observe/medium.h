// The medium's files, one implementation per build: on the build machine the medium's real files
// behind the simulated Windows, mapped to the root of drive E:; on Windows the files where they
// lie.
#pragma once

#include "../model/observation.h"
#include "../options.h"

#include <optional>
#include <string>

// The file name the loader is given on a medium.
inline const char kLoaderName[] = "loader.exe";

// The loader's full path on the medium, as GetModuleFileNameA would give it. false and a message
// when the medium is not a directory that can be read.
bool FindLoader(const Options &options, std::string *modulePath, std::string *error);

// Makes the file at a Windows path on the medium readable by the platform's readers and returns
// its bytes; nothing when no file is there.
std::optional<std::string> OpenMediumFile(const Options &options, const std::string &path);

// A scratch copy of a descriptor holding these bytes, where this machine's reader reads it; its
// path, empty when none could be made. RemoveScratchCopy removes it again.
std::string PlaceScratchCopy(const std::string &bytes);
void RemoveScratchCopy(const std::string &path);

// A file's name relative to the medium, '/' between names, as it lies there (the host's names may
// differ in case from the one asked for).
std::string NameOnMedium(const Options &options, const std::string &path);

// Where a file at a Windows path on the medium lies on this machine; nothing when it is not there.
std::optional<std::string> MediumFilePath(const Options &options, const std::string &path);

// What is at the package's source path: a file, nothing, or Unknown where this machine cannot
// tell (a name that leaves the medium names a file of the target machine).
FileKind FindPackage(const Options &options, const char *runtimePackage, const char *sourcePath);

// Where the package lies on this machine, for its readers; nothing when it is not on the medium.
std::optional<std::string> LocatePackage(const Options &options, const char *runtimePackage,
                                         const char *sourcePath);

// The directory the checker's own program is in.
std::string CheckerDirectory();

// What a path names, as GetFileAttributesA tells it.
FileKind KindOf(const std::string &path);
