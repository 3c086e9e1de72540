// The order of observation: the loader's path, its descriptor, the temporary directory, the files
// its launch plan names, then the records. Each is read once; nothing after this reads the machine.
#include "observe.h"
#include "locate.h"
#include "medium.h"
#include "package.h"
#include "registry.h"
#include "signature.h"

#include <paths.h>
#include <windows.h>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace {

const DWORD kWholeValueSize = 4096;

// A value as the platform's reader gives it without the loader's cut.
std::string WholeValue(const std::string &path, const char *key) {
    std::vector<char> value(kWholeValueSize, '\0');
    GetPrivateProfileStringA(kDescriptorSection, key, "", value.data(), kWholeValueSize,
                             path.c_str());
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
    const std::string copy = PlaceScratchCopy(bytes);
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

void ReadDescriptor(const Options &options, DescriptorFile *descriptor) {
    std::optional<std::string> bytes = OpenMediumFile(options, descriptor->path);
    descriptor->found = bytes.has_value();
    descriptor->bytes = bytes.value_or("");
    descriptor->hasSection = HasAutorunSection(descriptor->path);
    descriptor->complete = ReadPackageDescriptor(descriptor->path.c_str(), &descriptor->values);
    for (int i = 0; i < 3; ++i) {
        descriptor->wholeValues[i] = WholeValue(descriptor->path, kDescriptorKeys[i]);
    }
    descriptor->encoding = EncodingOf(descriptor->bytes);
    descriptor->marked = ReadMarked(descriptor->bytes, descriptor->encoding);
    descriptor->places = LocateInDescriptor(descriptor->bytes, descriptor->encoding);
    if (descriptor->found) {
        descriptor->name = NameOnMedium(options, descriptor->path);
    }
}

std::optional<std::uintmax_t> LengthOf(const std::string &file) {
    std::error_code error;
    const std::uintmax_t length = std::filesystem::file_size(file, error);
    return error ? std::nullopt : std::optional<std::uintmax_t>(length);
}

// A program's signature, where the program is on the medium.
void ObserveSigned(const Options &options, const std::string &path, Observation *observation) {
    if (std::optional<std::string> local = MediumFilePath(options, path)) {
        if (std::optional<Signature> signature =
                ObserveSignature(*local, NameOnMedium(options, path))) {
            signature->length = LengthOf(*local);
            observation->signatures.push_back(*signature);
        }
    }
}

// A package Windows checks the signature of: a program or a Windows Installer package.
bool IsSignedKind(const std::string &name) {
    const size_t dot = name.find_last_of('.');
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    return lstrcmpiA(extension.c_str(), ".exe") == 0 || lstrcmpiA(extension.c_str(), ".msi") == 0;
}

// The files the launch plan names: the package, and the directory its staging copy needs.
void ObservePlannedFiles(const Options &options, Observation *observation) {
    LaunchPlan plan;
    ZeroMemory(&plan, sizeof(plan));
    const PackageDescriptor &values = observation->descriptor.values;
    if (!PlanLaunch(observation->programDirectory.c_str(), observation->tempPath.c_str(), &values,
                    &plan)) {
        return;
    }
    observation->files[plan.SourcePath] =
        FindPackage(options, values.RuntimePackage, plan.SourcePath);
    if (IsNameBelowDirectory(values.RuntimePackage) && IsSignedKind(values.RuntimePackage)) {
        ObserveSigned(options, plan.SourcePath, observation);
    }
    std::optional<std::string> file =
        LocatePackage(options, values.RuntimePackage, plan.SourcePath);
    if (file) {
        observation->package = ReadPackage(*file, TypeOfPackage(values.RuntimePackage));
        observation->package->path = plan.SourcePath;
        observation->package->length = LengthOf(*file);
    }
    if (plan.StagingPath[0] != '\0') {
        RemoveFileSpec(plan.StagingPath);
        observation->files[plan.StagingPath] = KindOf(plan.StagingPath);
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

bool Observe(const Options &options, Observation *observation, std::string *error) {
    std::string modulePath;
    if (!FindLoader(options, &modulePath, error)) {
        return false;
    }
    // A module path that fills the loader's buffer ends its run; the descriptor's path is then as
    // good as too long.
    char programDirectory[kPathCapacity] = {0};
    char descriptorPath[kPathCapacity] = {0};
    if (modulePath.size() < sizeof(programDirectory)) {
        lstrcpyA(programDirectory, modulePath.c_str());
        if (LocateDescriptor(programDirectory, descriptorPath)) {
            observation->descriptor.path = descriptorPath;
        }
    }
    observation->programDirectory = programDirectory;
    NameMedium(options.medium.empty() ? programDirectory : options.medium, observation);
    observation->loaderView = options.view;
    if (!observation->descriptor.path.empty()) {
        ReadDescriptor(options, &observation->descriptor);
    }
    char tempPath[kPathCapacity] = {0};
    ReadTempPath(tempPath);
    observation->tempPath = tempPath;
    // The loader beside the descriptor: on Windows the checker may be the program run there.
    char loaderPath[kPathCapacity] = {0};
    if (!observation->descriptor.path.empty() &&
        JoinPath(loaderPath, kPathCapacity, programDirectory, kLoaderName)) {
        ObserveSigned(options, loaderPath, observation);
    }
    if (!observation->descriptor.complete) {
        return true;
    }
    ObservePlannedFiles(options, observation);
    const std::string regPath = observation->descriptor.values.RegPath;
    observation->installed = ObserveInstalled(options, regPath);
    observation->otherView = ObserveOtherView(options, regPath);
    if (options.records) {
        observation->recorded = GivenRecord(regPath, options.records);
    }
    return true;
}
