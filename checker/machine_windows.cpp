// Windows: the medium where it lies, this machine's temporary directory, and its registry in the
// view the loader reads (32-bit unless --view says otherwise) and in the other one.
#include "machine.h"

#include <paths.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace {

unsigned int ViewFlag(int view) {
    return view == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// What the loader's reader makes of a REG_SZ value holding text, without a registry: data over
// the size it reads are not read; the rest is taken as the reader takes it. No text: nothing is
// installed.
InstalledReading TakeText(const std::string &regPath, const std::optional<std::string> &text) {
    InstalledReading reading;
    reading.source = "given";
    reading.key = "HKLM\\Software\\" + regPath;
    reading.state = RecordState::NotInstalled;
    char installedVersion[kVersionCapacity] = {0};
    if (text) {
        reading.stored = *text;
        reading.state =
            text->size() + 1 > kInstalledDataSize ? RecordState::TooLong : RecordState::Present;
        reading.read = reading.state == RecordState::Present;
        if (reading.read) {
            TakeInstalledVersion(text->c_str(), installedVersion);
        }
    }
    reading.version = DescribeVersion(installedVersion);
    return reading;
}

} // namespace

bool PlaceMedium(const Options &options, MediumPlace *place, std::string *error) {
    // The directory is found as the loader finds its own: a program's path without its name.
    char path[MAX_PATH] = {0};
    if (options.medium.empty()) {
        GetModuleFileNameA(NULL, path, sizeof(path));
    } else {
        std::string program = options.medium + "\\loader.exe";
        GetFullPathNameA(program.c_str(), sizeof(path), path, NULL);
    }
    RemoveFileSpec(path);
    place->programDirectory = path;
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((place->programDirectory + "\\*").c_str(), &found);
    if (!IsDirectory(place->programDirectory) || listing == INVALID_HANDLE_VALUE) {
        *error = (options.medium.empty() ? place->programDirectory : options.medium) +
                 ": not a directory that can be read";
        return false;
    }
    FindClose(listing);
    char descriptorPath[kPathCapacity] = {0};
    if (JoinPath(descriptorPath, sizeof(descriptorPath), path, "autorun.inf")) {
        std::ifstream in(descriptorPath, std::ios::binary);
        place->descriptorBytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    return true;
}

Presence LocatePackage(const Options & /*options*/, const char * /*runtimePackage*/,
                       const char *sourcePath) {
    return IsFile(sourcePath) ? Presence::Found : Presence::Missing;
}

InstalledReading ReadInstalled(const Options &options, const std::string &regPath) {
    if (options.installed || options.notInstalled) {
        return TakeText(regPath, options.installed);
    }
    return ReadRegistryRecord(regPath, ViewFlag(options.view), std::to_string(options.view));
}

std::optional<InstalledReading> ReadOtherView(const Options &options, const std::string &regPath) {
    if (options.installed || options.notInstalled) {
        return std::nullopt;
    }
    int other = options.view == 64 ? 32 : 64;
    return ReadRegistryRecord(regPath, ViewFlag(other), std::to_string(other));
}

InstalledReading ReadRecorded(const std::string &regPath, const std::string &text) {
    return TakeText(regPath, text);
}
