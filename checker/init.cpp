// The medium is made in a scratch directory inside DIR and checked there; only a medium without
// an error finding is moved into DIR, so a failed init leaves DIR as it was. Files are copied by
// the file system, never read into memory.
#include "init.h"

#include "check.h"
#include "disc_writer.h"
#include "model/ascii.h"
#include "observe/medium.h"
#include "observe/package.h"
#include "predict/predict.h"

#include <loader.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

const char kScratchName[] = ".medium-check-init";
// The medium is made for the shipped 32-bit loader.
const int kShippedView = 32;

int Refuse(const std::string &message) {
    std::cerr << "medium-check: " << message << "\n";
    return kExitUsage;
}

// Below HKLM\Software, where RegPath starts: "Software\Maker\Runtime" gives "Maker\Runtime".
std::optional<std::string> BelowSoftware(const std::string &key) {
    const std::string software = AsciiLower(kSoftwareKey) + "\\";
    if (AsciiLower(key.substr(0, software.size())) != software) {
        return std::nullopt;
    }
    return key.substr(software.size());
}

// RegPath and Version from the MSI's first row that writes a value Version under
// HKLM\Software where the loader reads it; failing that, from its first row that writes a value
// Version under some hive's Software, so that the check says why the loader does not read it.
bool FromMsi(const MsiContents &msi, std::string *regPath, std::string *version) {
    const PackageRecords all = PredictPackageRecords(msi, "", kShippedView);
    std::optional<PackageWrite> fallback;
    for (const PackageWrite &write : all.writes) {
        const std::optional<std::string> candidate = BelowSoftware(write.key);
        if (!candidate) {
            continue;
        }
        const PackageRecords records = PredictPackageRecords(msi, *candidate, kShippedView);
        if (records.write) {
            *regPath = *candidate;
            *version = records.write->data;
            return true;
        }
        if (!fallback) {
            fallback = write;
        }
    }
    if (fallback) {
        *regPath = *BelowSoftware(fallback->key);
        *version = fallback->data;
    }
    return fallback.has_value();
}

// The descriptor, in ASCII with CR LF as Notepad saves it; open is AutoPlay's own key.
std::string Descriptor(const std::string &package, const std::string &regPath,
                       const std::string &version) {
    const std::string values[kDescriptorKeyCount] = {package, regPath, version};
    std::string text = std::string("[") + kDescriptorSection + "]\r\nopen=" + kLoaderName + "\r\n";
    for (int i = 0; i < kDescriptorKeyCount; ++i) {
        text += std::string(kDescriptorKeys[i]) + "=" + values[i] + "\r\n";
    }
    return text;
}

// The image's dates: SOURCE_DATE_EPOCH where the build sets it, else the package's own, so the
// same inputs give the same image.
std::int64_t ImageEpoch(const fs::path &package) {
    if (const char *given = std::getenv("SOURCE_DATE_EPOCH")) {
        char *end = nullptr;
        const long long epoch = std::strtoll(given, &end, 10);
        if (end != given && *end == '\0' && epoch >= 0) {
            return epoch;
        }
    }
    struct stat written {};
    return stat(package.string().c_str(), &written) == 0 ? written.st_mtime : 0;
}

// The laid-out medium written as the image and checked as one, in place of the directory; the
// image waits beside OUT until the check has passed.
int CheckAsImage(const Options &options, const fs::path &scratch, const fs::path &package,
                 const std::string &partial, bool *errors) {
    std::string message;
    if (!WriteDiscImage(scratch.string(), partial, ImageEpoch(package), &message)) {
        return Refuse(message);
    }
    return CheckMedium(options, partial, *options.iso, errors);
}

} // namespace

int RunInit(const Options &options) {
    const fs::path package = options.package;
    const PackageType type = TypeOfPackage(package.filename().string());
    std::error_code error;
    if (type == PackageType::Other || !fs::is_regular_file(package, error)) {
        return Refuse(options.package + ": not an .msi or .exe file");
    }
    const fs::path loader = options.loader.empty() ? fs::path(CheckerDirectory()) / kLoaderName
                                                   : fs::path(options.loader);
    if (!fs::is_regular_file(loader, error)) {
        return Refuse(loader.string() + ": no loader there; name one with --loader");
    }
    const PackageFile contents = ReadPackage(package.string(), type);
    std::string regPath = options.regPath.value_or("");
    std::string version = options.version.value_or("");
    if (type == PackageType::Msi && contents.msi && (!options.regPath || !options.version)) {
        std::string msiRegPath;
        std::string msiVersion;
        if (!FromMsi(*contents.msi, &msiRegPath, &msiVersion)) {
            return Refuse(options.package +
                          ": no Registry row writes a value Version under Software\\; give "
                          "--reg-path and --version");
        }
        regPath = options.regPath.value_or(msiRegPath);
        version = options.version.value_or(msiVersion);
    } else if (!options.regPath || !options.version) {
        std::string said =
            contents.exe && contents.exe->hasVersion
                ? " (its version resource says " + contents.exe->fixedFileVersion + ")"
                : "";
        return Refuse(options.package + ": give --reg-path and --version" + said);
    }
    const fs::path directory = options.medium;
    const bool created = !fs::exists(directory, error);
    if (!created && fs::exists(directory / kDescriptorName, error) && !options.force) {
        return Refuse((directory / kDescriptorName).string() +
                      " is there already; --force overwrites it");
    }
    const fs::path scratch = directory / kScratchName;
    fs::remove_all(scratch, error);
    if (!fs::create_directories(scratch, error)) {
        return Refuse(directory.string() + ": " + error.message());
    }
    const std::string packageName = package.filename().string();
    {
        std::ofstream out(scratch / kDescriptorName, std::ios::binary);
        out << Descriptor(packageName, regPath, version);
    }
    fs::copy_file(package, scratch / packageName, error);
    if (!error) {
        fs::copy_file(loader, scratch / kLoaderName, error);
    }
    bool errors = true;
    const std::string partial = options.iso ? *options.iso + ".partial" : "";
    int status = error         ? Refuse(error.message())
                 : options.iso ? CheckAsImage(options, scratch, package, partial, &errors)
                               : CheckMedium(options, scratch.string(), options.medium, &errors);
    if (!errors) {
        for (const fs::directory_entry &entry : fs::directory_iterator(scratch)) {
            fs::rename(entry.path(), directory / entry.path().filename(), error);
        }
        if (options.iso) {
            fs::rename(partial, *options.iso, error);
        }
    } else if (status != kExitUsage) {
        std::cerr << "medium-check: the check found an error; nothing is written to "
                  << directory.string() << (options.iso ? " or " + *options.iso : "") << "\n";
    }
    if (options.iso && errors) {
        fs::remove(partial, error);
    }
    fs::remove_all(created && errors ? directory : scratch, error);
    return status;
}
