// The package's contents, one implementation per build: on the build machine libmsi and a small
// reader of a program's headers; on Windows msi.dll and the version API. Neither reads more of a
// package than its tables, headers and resources.
#pragma once

#include "../model/observation.h"

#include <string>

// The type a package's name gives it, as the shell picks the program that opens it.
PackageType TypeOfPackage(const std::string &name);

// file is where the package lies on this machine; type comes from its name.
PackageFile ReadPackage(const std::string &file, PackageType type);
