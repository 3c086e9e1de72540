// The order of observation: the loader's path, its descriptor, the temporary directory, the files
// its launch plan names, then the records. Each is read once; nothing after this reads the machine.
#include "observe.h"
#include "machine.h"
#include "mapping.h"
#include "medium.h"
#include "name_readings.h"
#include "package_formats.h"
#include "positions.h"
#include "record_reading.h"
#include "registry.h"
#include "signature.h"
#include "unicode_names.h"

#include <paths.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace {

const DWORD kWholeValueSize = 4096;

// A value as the loader's reader gives it without the loader's cut.
std::string WholeValue(const std::string &path, const char *key) {
    std::vector<char> value(kWholeValueSize, '\0');
    ReadDescriptorValue(path.c_str(), key, value.data(), kWholeValueSize);
    return value.data();
}

// Whether the platform's reader finds a section "autorun", whatever it holds.
bool HasAutorunSection(const std::string &path) {
    std::vector<char> names(kWholeValueSize, '\0');
    DWORD length = GetPrivateProfileSectionNamesA(names.data(), kWholeValueSize, path.c_str());
    for (DWORD at = 0; at < length && names[at] != '\0'; at += lstrlenA(&names[at]) + 1) {
        if (lstrcmpiA(&names[at], kDescriptorSection) == 0) {
            return true;
        }
    }
    return false;
}

bool CopyHasSection(const std::string &bytes) {
    const std::string copy = WriteScratchCopy(bytes);
    const bool found = !copy.empty() && HasAutorunSection(copy);
    if (!copy.empty()) {
        RemoveScratchCopy(copy);
    }
    return found;
}

// Windows takes a UTF-8 or UTF-16 BE mark as plain bytes on line 1, Wine as the encoding it marks.
// Each reading is made on a copy that every reader takes the same way: the mark made plain
// letters for Windows, the text without it (UTF-16 BE turned little-endian) for Wine.
std::optional<MarkedReadings> ReadMarked(const std::string &bytes, TextEncoding encoding) {
    if (encoding != TextEncoding::Utf8Mark && encoding != TextEncoding::Utf16BigEndian) {
        return std::nullopt;
    }
    const size_t mark = MarkSize(encoding);
    std::string asWine = bytes.substr(mark);
    if (encoding == TextEncoding::Utf16BigEndian) {
        for (size_t i = 0; i + 1 < asWine.size(); i += 2) {
            std::swap(asWine[i], asWine[i + 1]);
        }
        asWine.insert(0, "\xFF\xFE");
    }
    std::string asWindows = bytes;
    asWindows.replace(0, mark, mark, 'x');
    MarkedReadings readings;
    readings.asWindows = CopyHasSection(asWindows);
    readings.asWine = CopyHasSection(asWine);
    return readings;
}

// The bytes of the file at a path of the medium, readable from then on by the machine's readers
// at that path; nothing when no file is there.
std::optional<std::string> ReadMediumFile(Medium &medium, const std::string &path) {
    const MachineFile file = medium.LookUp(path);
    if (file.kind != FileKind::File || file.hostPath.empty()) {
        return std::nullopt;
    }
    std::ifstream in(file.hostPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ShowToMachine(path, bytes);
    return bytes;
}

void ReadDescriptor(Medium &medium, DescriptorFile *descriptor) {
    std::optional<std::string> bytes = ReadMediumFile(medium, descriptor->path);
    descriptor->found = bytes.has_value();
    descriptor->bytes = bytes.value_or("");
    // As the loader reads it: on a machine that maps autorun.inf the file's own bytes.
    descriptor->hasSection = HasAutorunSection(descriptor->path) ||
                             HasIniFileSection(descriptor->path.c_str(), kDescriptorSection);
    descriptor->complete = ReadPackageDescriptor(descriptor->path.c_str(), &descriptor->values,
                                                 &descriptor->missingKey);
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        descriptor->wholeValues[key] = WholeValue(descriptor->path, kDescriptorKeys[key]);
        descriptor->texts[key] = Utf8Of(WideOf(DescriptorValue(*descriptor, key), CP_ACP));
    }
    descriptor->encoding = EncodingOf(descriptor->bytes);
    descriptor->marked = ReadMarked(descriptor->bytes, descriptor->encoding);
    descriptor->positions = PositionsInDescriptor(descriptor->bytes, descriptor->encoding);
    const std::string name = medium.LookUp(descriptor->path).nameOnMedium;
    descriptor->name = descriptor->found && !name.empty() ? name : descriptor->name;
}

std::optional<std::uintmax_t> LengthOf(const std::string &file) {
    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(file, error);
    return error ? std::nullopt : std::optional<std::uintmax_t>(length);
}

// A program's signature, where the program is on the medium.
void ObserveSigned(const MachineFile &file, Observation *observation) {
    if (file.kind != FileKind::File || file.nameOnMedium.empty()) {
        return;
    }
    if (std::optional<Signature> signature = ObserveSignature(file.hostPath, file.nameOnMedium)) {
        signature->length = LengthOf(file.hostPath);
        observation->signatures.push_back(*signature);
    }
}

// The launch plan as the run makes it, the package it names, and the directory its staging
// directory is made in.
void ObserveLaunch(Medium &medium, const PackageFormat *format, Observation *observation) {
    PlannedLaunch launch;
    const PackageDescriptor &values = observation->descriptor.values;
    launch.formed = PlanLaunch(observation->programDirectory.c_str(), observation->tempPath.c_str(),
                               &values, kCheckedStagingNumber, &launch.plan);
    if (launch.formed) {
        const MachineFile package = medium.LookUp(launch.plan.SourcePath);
        launch.package = package.kind;
        launch.packageOnMedium = package.nameOnMedium;
        if (format != nullptr) {
            ObserveSigned(package, observation);
        }
        // A name that leaves the medium names a file of this machine, which the loader would run.
        if (package.kind == FileKind::File) {
            observation->package =
                format != nullptr ? ReadPackage(package.hostPath, *format) : PackageFacts{};
            observation->package->path = launch.plan.SourcePath;
            observation->package->length = LengthOf(package.hostPath);
        }
    }
    if (launch.formed && launch.plan.Staging == kStaged) {
        char directory[kPathCapacity] = {0};
        lstrcpyA(directory, launch.plan.StagingDirectory);
        RemoveFileSpec(directory);
        launch.stagingDirectory = directory;
        launch.stagingDirectoryKind = medium.LookUp(directory).kind;
    }
    observation->launch = launch;
}

// The record the loader reads: what the command line gives, else this machine's registry (none
// on the build machine: nothing installed), and the registry's other view.
void ObserveRecords(const ObserveRequest &request, Observation *observation) {
    const std::string regPath = DescriptorValue(observation->descriptor, kRegPathKey);
    if (request.installed) {
        observation->installed = GivenRecord(regPath, request.installed->text);
        return;
    }
    observation->installed = ReadRecord(regPath, request.view);
    observation->otherView = ReadRecord(regPath, request.view == 64 ? 32 : 64);
    if (!observation->installed) {
        observation->installed = GivenRecord(regPath, std::nullopt);
    }
}

} // namespace

void NameMedium(const std::string &medium, Observation *observation) {
    namespace fs = std::filesystem;
    std::error_code status;
    const fs::path absolute = fs::absolute(medium, status).lexically_normal();
    observation->medium = medium;
    observation->mediumAbsolute = absolute.generic_string();
    observation->mediumShown =
        absolute.lexically_proximate(fs::current_path(status)).generic_string();
}

bool Observe(const ObserveRequest &request, Observation *observation, std::string *error) {
    observation->machine = PrepareMachine(request.machine);
    std::unique_ptr<Medium> medium = OpenMedium(request.medium, error);
    if (!medium) {
        return false;
    }
    // A module path that does not fit the loader's buffer ends its run; the descriptor's path is
    // then as good as too long.
    const std::string loaderPath = medium->LoaderPath();
    char programDirectory[kPathCapacity] = {0};
    char descriptorPath[kPathCapacity] = {0};
    lstrcpyA(programDirectory, loaderPath.c_str());
    if (!loaderPath.empty() && LocateDescriptor(programDirectory, descriptorPath)) {
        observation->descriptor.path = descriptorPath;
    }
    observation->programDirectory = programDirectory;
    NameMedium(request.medium.empty() ? medium->Directory() : request.medium, observation);
    observation->mediumIsFile = medium->IsFile();
    observation->naming = medium->Naming();
    observation->loaderView = request.view;
    observation->descriptorMappings = ObserveDescriptorMappings();
    if (!observation->descriptor.path.empty()) {
        ReadDescriptor(*medium, &observation->descriptor);
    }
    char tempPath[kPathCapacity] = {0};
    ReadTempPath(tempPath);
    observation->tempPath = tempPath;
    // The loader beside the descriptor: on Windows the checker may be the program run there.
    char loader[kPathCapacity] = {0};
    if (!observation->descriptor.path.empty() &&
        JoinPath(loader, kPathCapacity, programDirectory, kLoaderName)) {
        ObserveSigned(medium->LookUp(loader), observation);
    }
    if (!observation->descriptor.complete) {
        return true;
    }
    const PackageFormat *format =
        FormatOfName(DescriptorValue(observation->descriptor, kRuntimePackageKey));
    observation->packageFormat = format != nullptr ? format->name : kNoFormat;
    ObserveLaunch(*medium, format, observation);
    observation->packageNames = ReadPackageNames(*medium, *observation);
    ObserveRecords(request, observation);
    return true;
}
