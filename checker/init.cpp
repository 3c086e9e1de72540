// The medium is made in three steps: what autorun.inf will say, inferred from the package and the
// command line; the medium laid out in a scratch directory inside DIR; and the check of it, after
// which only a medium without an error finding is moved into DIR, so a failed init leaves DIR as
// it was. Files are copied by the file system, never read into memory.
#include "init.h"

#include "catalog/catalog.h"
#include "check.h"
#include "disc_writer.h"
#include "errors.h"
#include "model/ascii.h"
#include "observe/machine.h"
#include "observe/medium.h"
#include "observe/package_formats.h"
#include "predict/predict.h"

#include <loader.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

namespace fs = std::filesystem;

namespace {

const char kScratchName[] = ".medium-check-init";
// The medium is made for the shipped 32-bit loader on the 64-bit Windows nearly every user has.
const int kShippedView = 32;
const int kTypicalBits = 64;

// What the medium will hold, and what its autorun.inf says of the package.
struct MediumContents {
    fs::path package;
    fs::path loader;
    std::string values[kDescriptorKeyCount];
};

// A medium laid out in its scratch directory, waiting for its check.
struct LaidOut {
    fs::path directory;
    fs::path scratch;
    bool created = false; // DIR was made for it
};

// Below HKLM\Software, where RegPath starts: "Software\Maker\Runtime" gives "Maker\Runtime".
std::optional<std::string> BelowSoftware(const std::string &key) {
    const std::string software = AsciiLower(kSoftwareKey) + "\\";
    if (AsciiLower(key.substr(0, software.size())) != software) {
        return std::nullopt;
    }
    return key.substr(software.size());
}

// The package's first record of a value Version under HKLM\Software where the loader reads it,
// with the RegPath that reads it; failing that, its first record of a value Version under some
// hive's Software, so that the check says why the loader does not read it.
std::optional<std::pair<std::string, PackageWrite>> FromRecords(const PackageRecording &recording) {
    const PackageRecords all = PredictPackageRecords(recording, "", kShippedView, kTypicalBits);
    std::optional<std::pair<std::string, PackageWrite>> fallback;
    for (const PackageWrite &write : all.writes) {
        const std::optional<std::string> candidate = BelowSoftware(write.key);
        if (!candidate) {
            continue;
        }
        const PackageRecords records =
            PredictPackageRecords(recording, *candidate, kShippedView, kTypicalBits);
        if (records.write) {
            return std::make_pair(*candidate, *records.write);
        }
        if (!fallback) {
            fallback = std::make_pair(*candidate, write);
        }
    }
    return fallback;
}

// The package, the loader, and the three values: RegPath and Version from the command line, else
// from what the package records.
bool Infer(const Options &options, MediumContents *contents, std::string *error) {
    contents->package = options.package;
    const PackageFormat *format = FormatOfName(contents->package.filename().string());
    std::error_code status;
    if (format == nullptr || !fs::is_regular_file(contents->package, status)) {
        *error = options.package + ": not an .msi or .exe file";
        return false;
    }
    contents->loader = options.loader.empty() ? fs::path(CheckerDirectory()) / kLoaderName
                                              : fs::path(options.loader);
    if (!fs::is_regular_file(contents->loader, status)) {
        *error = contents->loader.string() + ": no loader there; name one with --loader";
        return false;
    }
    const PackageFacts facts = ReadPackage(contents->package.string(), *format);
    // The medium stages the package alone: what it reads from beside itself is never there.
    if (facts.external && !facts.external->empty()) {
        const ExternalSource &source = facts.external->front();
        *error = options.package + ": it installs from " + WordsOf(source.kind) + " '" +
                 source.name +
                 "' beside it, which the loader's staged copy lacks: Windows Installer finds no "
                 "source and the install fails on every start (" +
                 RuleOf(RuleId::MsiFilesOutside).code +
                 "); embed the cabinet (EmbedCab=\"yes\", Media Cabinet=\"#...\")";
        return false;
    }
    std::optional<std::pair<std::string, PackageWrite>> recorded;
    if (!options.regPath || !options.version) {
        if (!facts.recording) {
            const std::string said = facts.version
                                         ? std::string(" (its ") + WordsOf(facts.version->source) +
                                               " says " + facts.version->text + ")"
                                         : "";
            *error = options.package + ": give --reg-path and --version" + said;
            return false;
        }
        recorded = FromRecords(*facts.recording);
        if (!recorded) {
            *error = options.package + ": no Registry row writes a value Version under "
                                       "Software\\; give --reg-path and --version";
            return false;
        }
        // A value that is no version would be the medium's Version: say what the package records.
        const PackageWrite &write = recorded->second;
        if (!options.version && !DescribeVersion(write.data).isVersion) {
            *error = options.package + ": Registry row '" + write.record.origin + "' records a " +
                     WordsOf(write.record.type) + " the loader reads as '" + write.data +
                     "', which is not a version; record the version as a text of four fields, "
                     "or give --version";
            return false;
        }
    }
    contents->values[kRuntimePackageKey] = contents->package.filename().string();
    contents->values[kRegPathKey] = options.regPath.value_or(recorded ? recorded->first : "");
    contents->values[kVersionKey] = options.version.value_or(recorded ? recorded->second.data : "");
    return true;
}

// The descriptor, in ASCII with CR LF as Notepad saves it; open is AutoPlay's own key.
std::string Descriptor(const MediumContents &contents) {
    std::string text = std::string("[") + kDescriptorSection + "]\r\nopen=" + kLoaderName + "\r\n";
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        text += std::string(kDescriptorKeys[key]) + "=" + contents.values[key] + "\r\n";
    }
    return text;
}

// autorun.inf, the package and the loader in a scratch directory inside DIR.
bool LayOut(const Options &options, const MediumContents &contents, LaidOut *medium,
            std::string *error) {
    medium->directory = options.medium;
    medium->scratch = medium->directory / kScratchName;
    std::error_code status;
    medium->created = !fs::exists(medium->directory, status);
    if (!medium->created && fs::exists(medium->directory / kDescriptorName, status) &&
        !options.force) {
        *error = (medium->directory / kDescriptorName).string() +
                 " is there already; --force overwrites it";
        return false;
    }
    fs::remove_all(medium->scratch, status);
    if (!fs::create_directories(medium->scratch, status)) {
        *error = medium->directory.string() + ": " + status.message();
        return false;
    }
    {
        std::ofstream out(medium->scratch / kDescriptorName, std::ios::binary);
        out << Descriptor(contents);
    }
    fs::copy_file(contents.package, medium->scratch / contents.package.filename(), status);
    if (!status) {
        fs::copy_file(contents.loader, medium->scratch / kLoaderName, status);
    }
    *error = status ? status.message() : "";
    return !status;
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

// The medium checked as it will ship, the directory or its image (which waits beside OUT until
// the check has passed); kept only when the check finds no error. Its scratch directory goes
// either way, and DIR with it when init made it and keeps nothing.
int CheckAndKeep(const Options &options, const MediumContents &contents, const LaidOut &medium) {
    bool errors = true;
    int status = kExitUsage;
    const std::string partial = options.iso ? *options.iso + ".partial" : "";
    std::string message;
    if (!options.iso) {
        status = CheckMedium(options, medium.scratch.string(), options.medium, &errors);
    } else if (WriteDiscImage(medium.scratch.string(), partial, ImageEpoch(contents.package),
                              &message)) {
        status = CheckMedium(options, partial, *options.iso, &errors);
    } else {
        Refuse(message);
    }
    std::error_code ignored;
    if (!errors) {
        for (const fs::directory_entry &entry : fs::directory_iterator(medium.scratch)) {
            fs::rename(entry.path(), medium.directory / entry.path().filename(), ignored);
        }
        if (options.iso) {
            fs::rename(partial, *options.iso, ignored);
        }
    } else if (status != kExitUsage) {
        Refuse("the check found an error; nothing is written to " + medium.directory.string() +
               (options.iso ? " or " + *options.iso : ""));
    }
    if (options.iso && errors) {
        fs::remove(partial, ignored);
    }
    fs::remove_all(medium.created && errors ? medium.directory : medium.scratch, ignored);
    return status;
}

} // namespace

int RunInit(const Options &options) {
    MediumContents contents;
    LaidOut medium;
    std::string error;
    if (!Infer(options, &contents, &error)) {
        return Refuse(error);
    }
    if (!LayOut(options, contents, &medium, &error)) {
        // A medium that could not be laid out leaves nothing of itself.
        std::error_code ignored;
        fs::remove_all(medium.created ? medium.directory : medium.scratch, ignored);
        return Refuse(error);
    }
    return CheckAndKeep(options, contents, medium);
}
