// The build machine: the medium's real files read through the simulated Windows, so the loader's
// own readers take them exactly as on Windows. The medium sits at the root of drive E:, the
// temporary directory is shown as %TEMP%, and the registry holds what the options say.
#include "machine.h"

#include <paths.h>
#include <winsim.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kMediumRoot[] = "E:\\";

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The file a Windows name relative to the medium names, each name matched without regard to
// case as Windows matches it, whatever the build machine's file system does.
std::optional<fs::path> FindOnMedium(const fs::path &root, const std::string &name) {
    fs::path current = root;
    std::istringstream names(name);
    std::string part;
    while (std::getline(names, part, '\\')) {
        std::istringstream pieces(part);
        std::string piece;
        while (std::getline(pieces, piece, '/')) {
            if (piece.empty() || piece == ".") {
                continue;
            }
            std::error_code error;
            auto entries = fs::directory_iterator(current, error);
            if (error) {
                return std::nullopt;
            }
            auto match = std::find_if(begin(entries), end(entries), [&](const auto &entry) {
                return Upper(entry.path().filename().string()) == Upper(piece);
            });
            if (match == end(entries)) {
                return std::nullopt;
            }
            current = match->path();
        }
    }
    return fs::is_regular_file(current) ? std::optional<fs::path>(current) : std::nullopt;
}

std::string SubKey(const std::string &regPath) {
    return "Software\\" + regPath;
}

} // namespace

bool PlaceMedium(const Options &options, MediumPlace *place, std::string *error) {
    std::error_code status;
    fs::directory_iterator listing(options.medium, status);
    if (status) {
        *error = options.medium + ": " + status.message();
        return false;
    }
    winsim::Reset();
    // The target's temporary directory, whose name the build machine cannot know: it exists and,
    // as on any machine, holds none of the medium's sub-directories.
    winsim::SetTempPath("%TEMP%\\");
    winsim::AddDirectory("%TEMP%");
    place->programDirectory = kMediumRoot;
    std::optional<fs::path> descriptor = FindOnMedium(options.medium, "autorun.inf");
    if (descriptor) {
        std::ifstream in(*descriptor, std::ios::binary);
        place->descriptorBytes.assign(std::istreambuf_iterator<char>(in), {});
        winsim::AddFile(std::string(kMediumRoot) + "autorun.inf", place->descriptorBytes);
    }
    return true;
}

Presence LocatePackage(const Options &options, const char *runtimePackage, const char *sourcePath) {
    // A name that leaves the medium names a file of the target machine.
    if (!IsNameBelowDirectory(runtimePackage)) {
        return Presence::Unknown;
    }
    if (!FindOnMedium(options.medium, runtimePackage)) {
        return Presence::Missing;
    }
    winsim::AddFile(sourcePath, "package");
    return Presence::Found;
}

InstalledReading ReadInstalled(const Options &options, const std::string &regPath) {
    if (options.installed) {
        winsim::SetTextValue(SubKey(regPath), "Version", *options.installed);
    }
    InstalledReading reading = ReadRegistryRecord(regPath, 0, "");
    reading.source = "given";
    if (!options.installed) {
        reading.state = RecordState::NotInstalled;
    }
    return reading;
}

std::optional<InstalledReading> ReadOtherView(const Options & /*options*/,
                                              const std::string & /*regPath*/) {
    return std::nullopt;
}

InstalledReading ReadRecorded(const std::string &regPath, const std::string &text) {
    winsim::SetTextValue(SubKey(regPath), "Version", text);
    InstalledReading reading = ReadRegistryRecord(regPath, 0, "");
    reading.source = "given";
    return reading;
}
