// What a package reader gives of the runtime package, whatever its format: what it is for, the
// runtime's version it names, and what it records in the registry once it has run. Rules,
// prediction and reports read these facts and never ask which format gave them.
#pragma once

#include "described.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The hive a record goes to, after the install context has chosen it where the package lets it.
#define HIVE_ROWS(X)                                                                               \
    X(ClassesRoot, "HKCR", "HKCR")                                                                 \
    X(CurrentUser, "HKCU", "HKCU")                                                                 \
    X(LocalMachine, "HKLM", "HKLM")                                                                \
    X(Users, "HKU", "HKU")
DESCRIBED_ENUM(Hive, HIVE_ROWS)

// The registry type of a recorded value.
#define REGISTRY_TYPE_ROWS(X)                                                                      \
    X(String, "REG_SZ", "REG_SZ")                                                                  \
    X(ExpandString, "REG_EXPAND_SZ", "REG_EXPAND_SZ")                                              \
    X(MultiString, "REG_MULTI_SZ", "REG_MULTI_SZ")                                                 \
    X(Dword, "REG_DWORD", "REG_DWORD")                                                             \
    X(Binary, "REG_BINARY", "REG_BINARY")
DESCRIBED_ENUM(RegistryType, REGISTRY_TYPE_ROWS)

// Where a package installs, for the user or for the machine.
#define INSTALL_CONTEXT_ROWS(X)                                                                    \
    X(PerUser, "per-user", "per user")                                                             \
    X(PerMachine, "per-machine", "per machine")
DESCRIBED_ENUM(InstallContext, INSTALL_CONTEXT_ROWS)

// Why a package cannot be read as what its name says.
#define PACKAGE_DAMAGE_ROWS(X)                                                                     \
    X(NotADatabase, "not-a-database", "not an MSI database")                                       \
    X(Empty, "empty", "empty")                                                                     \
    X(Truncated, "truncated", "truncated")                                                         \
    X(NoHeaders, "no-headers", "without MZ and PE headers")
DESCRIBED_ENUM(PackageDamage, PACKAGE_DAMAGE_ROWS)

// Where the version a package names comes from.
#define VERSION_SOURCE_ROWS(X)                                                                     \
    X(ProductVersion, "product-version", "ProductVersion")                                         \
    X(FixedProductVersion, "fixed-product-version", "product version")                             \
    X(FixedFileVersion, "fixed-file-version", "file version")
DESCRIBED_ENUM(VersionSource, VERSION_SOURCE_ROWS)

// What a package reads from beside itself when it runs, which a copy of it alone lacks: a cabinet
// it names but does not hold, or a file it keeps as it is.
#define EXTERNAL_SOURCE_ROWS(X)                                                                    \
    X(Cabinet, "cabinet", "an external cabinet")                                                   \
    X(File, "file", "an uncompressed file")
DESCRIBED_ENUM(ExternalSourceKind, EXTERNAL_SOURCE_ROWS)

struct ExternalSource {
    ExternalSourceKind kind = ExternalSourceKind::Cabinet;
    std::string name; // as it lies beside the package
};

struct PackageVersion {
    std::string text;
    VersionSource source = VersionSource::ProductVersion;
};

// A value the package writes, as it writes it: formatted texts resolved, its type and bytes.
struct PackageRecord {
    std::string origin; // what in the package writes it: an MSI's Registry row
    Hive hive = Hive::LocalMachine;
    bool byContext = false; // the install context chose the hive
    std::string key;        // as written, from the hive
    std::string name;       // empty for the key's default value
    RegistryType type = RegistryType::String;
    std::string bytes;     // what RegQueryValueExA returns for it, a text's terminator included
    int writerBits = 32;   // 64 when a 64-bit part of the package writes it (a 64-bit component)
    std::string condition; // what decides whether it is written; empty when it always is
};

// What a package records once it has run, where the check can read it.
struct PackageRecording {
    InstallContext context = InstallContext::PerMachine;
    bool eitherContext = false; // a dialog or a command line may choose the other context
    bool unelevated = false;    // it installs with the user's rights, asking for no elevation
    std::vector<PackageRecord> records;
    std::vector<std::string> unfollowed; // what could record too, which the check cannot follow
};

// The format of a package no reader takes: the shell opens it with the program associated with
// its type, where the machine has one.
inline constexpr char kNoFormat[] = "other";

struct PackageFacts {
    std::string format = kNoFormat;      // the reader's name ("msi", "exe")
    std::string path;                    // the Windows path the loader launches
    std::optional<PackageDamage> damage; // why it cannot be read; none when it was read
    std::string platform;                // as the package names it ("Intel", "x64")
    int bits = 32;                       // 64 for a package only 64-bit Windows runs
    std::optional<PackageVersion> version;
    std::optional<PackageRecording> recording;
    // What it installs from beside itself, each once, in the order it names them; nothing where
    // the reader cannot tell.
    std::optional<std::vector<ExternalSource>> external;
    std::optional<std::uintmax_t> length; // the file's length in bytes
    // What the reader read, as stored, for the report: the same on every build for the same file.
    nlohmann::ordered_json stored;
};
