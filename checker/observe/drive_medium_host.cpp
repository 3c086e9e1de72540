// A medium at the root of the simulated drive E:.
#include "drive_medium_host.h"
#include "machine_host.h"
#include "unicode_names.h"

#include <loader.h>
#include <paths.h>
#include <windows.h>

std::string DriveMedium::LoaderPath() const {
    char path[kPathCapacity] = {0};
    return ReadModulePath(path) ? path : "";
}

MachineFile DriveMedium::LookUp(const std::string &path) {
    const std::string root = kMediumRoot;
    if (path.compare(0, root.size(), root) == 0) {
        std::string name = path.substr(root.size());
        name.erase(0, name.find_first_not_of('\\'));
        // A name that climbs out of the medium names a file of the target machine.
        if (!name.empty() && !IsNameBelowDirectory(name.c_str())) {
            return MachineFile{};
        }
        return LookUpName(WideOf(name, CP_ACP));
    }
    MachineFile file;
    char temp[MAX_PATH] = {0};
    const DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length > 0 &&
        lstrcmpiA(path.substr(0, length - 1).c_str(), std::string(temp, length - 1).c_str()) == 0) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        file.kind = attributes == INVALID_FILE_ATTRIBUTES          ? FileKind::Missing
                    : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                                   : FileKind::File;
    }
    return file;
}
