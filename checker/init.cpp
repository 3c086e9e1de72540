// The medium is made in a scratch directory inside DIR and checked there; only a medium without
// an error finding is moved into DIR, so a failed init leaves DIR as it was. Files are copied by
// the file system, never read into memory.
#include "init.h"

#include "observe/medium.h"
#include "observe/observe.h"
#include "observe/package.h"
#include "predict/predict.h"
#include "report/report.h"
#include "rules/rules.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

const char kScratchName[] = ".medium-check-init";
const char kSoftware[] = "software\\";
// The medium is made for the shipped 32-bit loader.
const int kShippedView = 32;

int Refuse(const std::string &message) {
    std::cerr << "medium-check: " << message << "\n";
    return kExitUsage;
}

bool UnderSoftware(const std::string &key) {
    std::string head = key.substr(0, sizeof(kSoftware) - 1);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head == kSoftware;
}

// RegPath and Version from the MSI's first row that writes a value Version under
// HKLM\Software where the loader reads it; failing that, from its first row that writes a value
// Version under some hive's Software, so that the check says why the loader does not read it.
bool FromMsi(const MsiContents &msi, std::string *regPath, std::string *version) {
    const PackageRecords all = PredictPackageRecords(msi, "", kShippedView);
    std::optional<PackageWrite> fallback;
    for (const PackageWrite &write : all.writes) {
        if (!UnderSoftware(write.key)) {
            continue;
        }
        const std::string candidate = write.key.substr(sizeof(kSoftware) - 1);
        const PackageRecords records = PredictPackageRecords(msi, candidate, kShippedView);
        if (records.write) {
            *regPath = candidate;
            *version = records.write->data;
            return true;
        }
        if (!fallback) {
            fallback = write;
        }
    }
    if (fallback) {
        *regPath = fallback->key.substr(sizeof(kSoftware) - 1);
        *version = fallback->data;
    }
    return fallback.has_value();
}

std::string Descriptor(const std::string &package, const std::string &regPath,
                       const std::string &version) {
    return std::string("[autorun]\r\nopen=") + kLoaderName + "\r\nRuntimePackage=" + package +
           "\r\nRegPath=" + regPath + "\r\nVersion=" + version + "\r\n";
}

// The check of the scratch medium, reported as the check of DIR; its exit status.
int Check(const Options &options, const fs::path &scratch, bool *errors) {
    Options check = options;
    check.medium = scratch.string();
    Observation observation;
    std::string error;
    if (!Observe(check, &observation, &error)) {
        return Refuse(error);
    }
    NameMedium(options.medium, &observation);
    const Prediction prediction = Predict(observation);
    const std::vector<Finding> findings = CollectFindings(observation, prediction);
    *errors = ExitStatus(findings, false) == kExitError;
    int status = ExitStatus(findings, options.strict);
    PrintReport(std::cout, options.format, observation, prediction, findings, status);
    return status;
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
    if (!created && fs::exists(directory / "autorun.inf", error) && !options.force) {
        return Refuse((directory / "autorun.inf").string() +
                      " is there already; --force overwrites it");
    }
    const fs::path scratch = directory / kScratchName;
    fs::remove_all(scratch, error);
    if (!fs::create_directories(scratch, error)) {
        return Refuse(directory.string() + ": " + error.message());
    }
    const std::string packageName = package.filename().string();
    {
        std::ofstream out(scratch / "autorun.inf", std::ios::binary);
        out << Descriptor(packageName, regPath, version);
    }
    fs::copy_file(package, scratch / packageName, error);
    if (!error) {
        fs::copy_file(loader, scratch / kLoaderName, error);
    }
    bool errors = true;
    int status = error ? Refuse(error.message()) : Check(options, scratch, &errors);
    if (!errors) {
        for (const fs::directory_entry &entry : fs::directory_iterator(scratch)) {
            fs::rename(entry.path(), directory / entry.path().filename(), error);
        }
    } else if (status != kExitUsage) {
        std::cerr << "medium-check: the check found an error; nothing is written to "
                  << directory.string() << "\n";
    }
    fs::remove_all(created && errors ? directory : scratch, error);
    return status;
}
