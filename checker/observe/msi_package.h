// An MSI as the runtime package: its summary's platform, its properties, its Registry rows as
// Windows Installer writes them, and where its files' source lies.
#pragma once

#include "../model/package_facts.h"

#include <map>
#include <string>
#include <vector>

// The tables of an MSI the check reads, as stored.
struct MsiTables {
    std::string platform; // the summary's Template, before its ';'
    int wordCount = 0;    // the summary's Word Count: bit 1 a compressed source, bit 3 no elevation
    std::map<std::string, std::string> properties;
    struct RegistryRow {
        std::string row;
        int root = 0; // -1 (per ALLUSERS), 0 HKCR, 1 HKCU, 2 HKLM, 3 HKU
        std::string key;
        std::string name;      // empty for the key's default value
        std::string value;     // formatted text, unresolved
        bool win64 = false;    // its component's msidbComponentAttributes64bit
        std::string condition; // its component's condition; empty when none
    };
    std::vector<RegistryRow> registry;
    std::vector<std::string> customActions;
    struct FileRow {
        std::string file;
        std::string name; // as stored: "short|long" or one name
        int attributes = 0;
        int sequence = 0;
    };
    std::vector<FileRow> files;
    struct MediaRow {
        int diskId = 0;
        int lastSequence = 0;
        std::string cabinet; // "#stream" inside the package, a file name beside it; empty for none
    };
    std::vector<MediaRow> media; // in the order of DiskId
};

PackageFacts ReadMsiPackage(const std::string &file);

// The facts of an MSI whose tables these are.
PackageFacts FactsOfMsi(const MsiTables &tables);
