// An MSI as the runtime package: its summary's platform, its properties, and its Registry rows as
// Windows Installer writes them.
#pragma once

#include "../model/package_facts.h"

#include <map>
#include <string>
#include <vector>

// The tables of an MSI the check reads, as stored.
struct MsiTables {
    std::string platform; // the summary's Template, before its ';'
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
};

PackageFacts ReadMsiPackage(const std::string &file);

// The facts of an MSI whose tables these are.
PackageFacts FactsOfMsi(const MsiTables &tables);
