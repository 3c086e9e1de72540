// The readers of the runtime package, one per format: a format is a file of its own and a row in
// package_formats.cpp. The shell picks the program that opens a package by its name's extension,
// and so does the check; Windows judges the signature of a package of every format here.
#pragma once

#include "../model/package_facts.h"

#include <string>

struct PackageFormat {
    const char *name;                              // the report's name of the format: "msi"
    const char *extension;                         // in any case: ".msi"
    PackageFacts (*read)(const std::string &file); // file: where the package lies on this machine
};

// The format a package's name gives it; nullptr for a name no reader takes.
const PackageFormat *FormatOfName(const std::string &name);

// The package at file, read by its format's reader.
PackageFacts ReadPackage(const std::string &file, const PackageFormat &format);
