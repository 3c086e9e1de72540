// A package read as what its name says, through this build's readers.
#include "package.h"
#include "package_readers.h"
#include "program_image.h"

#include <windows.h>

PackageType TypeOfPackage(const std::string &name) {
    size_t dot = name.find_last_of(".\\/");
    std::string extension = dot == std::string::npos || name[dot] != '.' ? "" : name.substr(dot);
    if (lstrcmpiA(extension.c_str(), ".msi") == 0) {
        return PackageType::Msi;
    }
    return lstrcmpiA(extension.c_str(), ".exe") == 0 ? PackageType::Exe : PackageType::Other;
}

PackageFile ReadPackage(const std::string &file, PackageType type) {
    PackageFile package;
    package.type = type;
    if (type == PackageType::Msi) {
        MsiContents msi;
        package.readable = ReadMsi(file, &msi);
        if (package.readable) {
            package.msi = msi;
        }
    } else if (type == PackageType::Exe) {
        ExeContents exe;
        std::string resource;
        ReadProgramImage(file, &exe, &resource);
        if (exe.state == ProgramState::Program) {
            ReadProgramVersion(file, resource, &exe);
        }
        package.readable = exe.state == ProgramState::Program;
        package.exe = exe;
    }
    return package;
}
