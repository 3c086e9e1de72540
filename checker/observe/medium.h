// The medium's files, one implementation per build: on the build machine the medium's real files
// behind the simulated Windows, at the root of drive E:; on Windows the files where they lie.
#pragma once

#include "../model/observation.h"

#include <memory>
#include <optional>
#include <string>

// The file name the loader is given on a medium.
inline const char kLoaderName[] = "loader.exe";

// A disc image opened as the medium, on the build machine.
struct MediumImage;

// The medium a check reads: its directory on this machine, or a disc image read as Windows mounts
// it (on the build machine only; on Windows a mounted image is a drive).
struct Medium {
    std::string directory;
    std::shared_ptr<MediumImage> image;
};

// What a Windows path of the loader's machine names, and where it lies on this machine.
struct MachineFile {
    FileKind kind = FileKind::Unknown; // Unknown where this machine cannot tell
    std::string hostPath;              // where it lies here, when it is there
    std::string nameOnMedium; // relative to the medium, '/' between names, as it lies there;
                              // empty for a path off the medium
};

// Opens the medium in directory (on Windows, empty: the checker's own; on the build machine also a
// disc image) and gives the loader's full path there, as the loader reads its own; false and a
// message when it is not a directory or an image that can be read.
bool OpenMedium(const std::string &directory, Medium *medium, std::string *modulePath,
                std::string *error);

// What a path names, read as GetFileAttributesA reads it, names matched without regard to case.
MachineFile LookUp(const Medium &medium, const std::string &path);

// The bytes of the file at a path of the medium, readable from then on by the platform's readers
// at that path; nothing when no file is there.
std::optional<std::string> ReadMediumFile(const Medium &medium, const std::string &path);

// What only a disc image adds to the observation; nothing for a directory.
std::optional<DiscImage> ImageOf(const Medium &medium);

// A scratch copy of a descriptor holding these bytes, where this machine's reader reads it; its
// path, empty when none could be made. RemoveScratchCopy removes it again.
std::string WriteScratchCopy(const std::string &bytes);
void RemoveScratchCopy(const std::string &path);

// The directory the checker's own program is in.
std::string CheckerDirectory();
