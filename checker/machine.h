// The machine a prediction is made on: where the medium lies as the loader would see it, whether
// the package is on it, and where the installed version comes from. One implementation per
// platform: the build machine (through the simulated Windows) and Windows itself.
#pragma once

#include "check.h"
#include "options.h"

#include <string>

struct MediumPlace {
    std::string programDirectory; // as the loader sees its own directory
    std::string descriptorBytes;  // autorun.inf as stored, empty when there is none
};

// Lays the medium out for the loader's readers. false and a message when the directory cannot
// be read.
bool PlaceMedium(const Options &options, MediumPlace *place, std::string *error);

// Whether the package the loader would launch from sourcePath is there.
Presence LocatePackage(const Options &options, const char *runtimePackage, const char *sourcePath);

// The installed version the loader would read for regPath, as the options say or as this machine
// holds it in the loader's view.
InstalledReading ReadInstalled(const Options &options, const std::string &regPath);

// The record in the other registry view, on a machine that has views and when the registry is
// read at all.
std::optional<InstalledReading> ReadOtherView(const Options &options, const std::string &regPath);

// The installed version the loader would read once the package has recorded text.
InstalledReading ReadRecorded(const std::string &regPath, const std::string &text);

// Shared by both machines: whether a path names a file, or a directory, there.
bool IsFile(const std::string &path);
bool IsDirectory(const std::string &path);

// Shared by both machines: the registry record as the loader's reader takes it (in view, 0 for
// the process's own), with why it was or was not read.
InstalledReading ReadRegistryRecord(const std::string &regPath, unsigned int view,
                                    const std::string &viewName);
