// An MSI's Registry rows as Windows Installer writes them: formatted texts resolved, the root
// chosen by the install context, the view by the component's 64-bit attribute and an explicit
// WOW6432Node, the value's type and bytes by its prefix, names matched without regard to case;
// then which of them the loader reads.
#include "predict.h"

#include "../model/ascii.h"

#include <loader.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace {

// Below Software, the key where the 64-bit view keeps the 32-bit one.
const char kWow64Node[] = "WOW6432Node\\";

using Properties = std::map<std::string, std::string>;

bool SameName(const std::string &first, const std::string &second) {
    return AsciiLower(first) == AsciiLower(second);
}

std::string PropertyOf(const Properties &properties, const char *name) {
    auto found = properties.find(name);
    return found == properties.end() ? "" : found->second;
}

// [Property] becomes the property's value (empty when it has none), [~] a NUL; [\x] escapes x.
// Other bracketed forms ([#file], [$component], [%env]) name things only an install knows and
// become empty, as an undefined property does.
std::string Resolve(const std::string &text, const Properties &properties) {
    std::string out;
    for (size_t at = 0; at < text.size(); ++at) {
        size_t close = text[at] == '[' ? text.find(']', at + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += text[at];
            continue;
        }
        std::string inside = text.substr(at + 1, close - at - 1);
        if (inside == "~") {
            out += '\0';
        } else if (inside.size() == 2 && inside[0] == '\\') {
            out += inside[1];
        } else {
            out += PropertyOf(properties, inside.c_str());
        }
        at = close;
    }
    return out;
}

// "#" text in a REG_DWORD: a minus sign, then decimal digits up to the first other character,
// kept modulo 2^32, little-endian. (Wine's msiexec reads "#2.1.0.5" as 2 and "#-1" as
// 0xFFFFFFFF.)
std::string DwordBytes(const std::string &text) {
    const bool negative = !text.empty() && text[0] == '-';
    std::uint32_t value = 0;
    for (size_t at = negative ? 1 : 0; at < text.size() && text[at] >= '0' && text[at] <= '9';
         ++at) {
        value = value * 10 + static_cast<std::uint32_t>(text[at] - '0');
    }
    value = negative ? 0 - value : value;
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

// "#x" text in a REG_BINARY: two hexadecimal digits a byte, an odd count as if led by a 0, any
// other character as a 0 (as Wine's msiexec stores "#x322E3" and "#x32zz").
std::string BinaryBytes(const std::string &text) {
    const std::string digits = (text.size() % 2 == 0 ? "" : "0") + AsciiLower(text);
    const std::string hexadecimal = "0123456789abcdef";
    std::string bytes;
    for (size_t at = 0; at < digits.size(); at += 2) {
        const size_t high = hexadecimal.find(digits[at]);
        const size_t low = hexadecimal.find(digits[at + 1]);
        bytes += static_cast<char>((high == std::string::npos ? 0 : high) * 16 +
                                   (low == std::string::npos ? 0 : low));
    }
    return bytes;
}

// Texts between [~] in a REG_MULTI_SZ, each ended by a NUL, the list by another. A [~] at the
// start appends to the value already there and one at the end prepends: on a machine without
// the value both leave the texts alone, and a lone [~] leaves an empty list.
std::string MultiBytes(const std::string &text) {
    const size_t first = text.front() == '\0' ? 1 : 0;
    const size_t end = text.back() == '\0' ? text.size() - 1 : text.size();
    const std::string texts = end > first ? text.substr(first, end - first) : "";
    return texts.empty() ? std::string(1, '\0') : texts + std::string(2, '\0');
}

struct RegistryData {
    RegistryType type;
    std::string bytes; // as RegQueryValueExA gives them, a text's terminator included
};

// The value Windows Installer writes from a resolved formatted text: "#x" bytes, "#%" an
// expandable text, "##" a text starting with "#", "#" a number; a NUL ([~]) makes a list.
RegistryData DataOf(const std::string &value) {
    const std::string prefix = value.substr(0, 2);
    if (prefix == "#x") {
        return {RegistryType::Binary, BinaryBytes(value.substr(2))};
    }
    if (prefix == "#%") {
        return {RegistryType::ExpandString, value.substr(2) + '\0'};
    }
    if (prefix == "##") {
        return {RegistryType::String, value.substr(1) + '\0'};
    }
    if (!value.empty() && value[0] == '#') {
        return {RegistryType::Dword, DwordBytes(value.substr(1))};
    }
    if (value.find('\0') != std::string::npos) {
        return {RegistryType::MultiString, MultiBytes(value)};
    }
    return {RegistryType::String, value + '\0'};
}

// Windows Installer 5.0 (Windows 7 and later): ALLUSERS empty installs per user; 2 per machine
// unless MSIINSTALLPERUSER is 1; any other value per machine (0 included).
InstallContext ContextOf(const Properties &properties) {
    const std::string allUsers = PropertyOf(properties, "ALLUSERS");
    if (allUsers.empty() ||
        (allUsers == "2" && PropertyOf(properties, "MSIINSTALLPERUSER") == "1")) {
        return InstallContext::PerUser;
    }
    return InstallContext::PerMachine;
}

Hive HiveOf(int root, InstallContext context) {
    switch (root) {
    case -1:
        return context == InstallContext::PerMachine ? Hive::LocalMachine : Hive::CurrentUser;
    case 0:
        return Hive::ClassesRoot;
    case 1:
        return Hive::CurrentUser;
    case 2:
        return Hive::LocalMachine;
    default:
        return Hive::Users;
    }
}

// A 64-bit row writes the 64-bit view, whose Software\WOW6432Node is the 32-bit view's Software:
// a key below it lands there, without the node.
int ViewOf(bool win64, std::string *key) {
    const std::string node = std::string(kSoftwareKey) + "\\" + kWow64Node;
    if (!win64) {
        return 32;
    }
    if (!SameName(key->substr(0, node.size()), node)) {
        return 64;
    }
    key->erase(std::strlen(kSoftwareKey) + 1, std::strlen(kWow64Node));
    return 32;
}

// Platforms of a 64-bit package's Template; a package for any other is a 32-bit one.
bool Is64BitPlatform(const std::string &platform) {
    return platform == "x64" || platform == "Intel64" || platform == "Arm64" || platform == "AMD64";
}

Landing LandingOf(const PackageWrite &write, bool loaderKey, bool loaderName, int loaderView) {
    if (!loaderKey) {
        return Landing::OtherKey;
    }
    if (!loaderName) {
        return Landing::OtherName;
    }
    if (write.hive != Hive::LocalMachine) {
        return Landing::UserHive;
    }
    if (write.view != loaderView) {
        return Landing::OtherView;
    }
    return Landing::Loader;
}

} // namespace

PackageRecords PredictPackageRecords(const MsiContents &msi, const std::string &regPath,
                                     int loaderView) {
    PackageRecords records;
    records.context = ContextOf(msi.properties);
    records.eitherContext = PropertyOf(msi.properties, "ALLUSERS") == "2";
    records.for64Bit = Is64BitPlatform(msi.platform);
    // The key the loader opens; none where Software\<RegPath> does not fit its buffer.
    char subKey[kSubKeyCapacity] = {0};
    const bool keyFits = FormInstalledKey(regPath.c_str(), subKey);
    const std::string loaderKey = subKey;
    for (const RegistryRow &row : msi.registry) {
        PackageWrite write;
        write.row = row.row;
        write.hive = HiveOf(row.root, records.context);
        write.byContext = row.root == -1;
        write.key = Resolve(row.key, msi.properties);
        write.name = Resolve(row.name, msi.properties);
        const RegistryData data = DataOf(Resolve(row.value, msi.properties));
        write.type = data.type;
        write.bytes = data.bytes;
        write.data = data.bytes.substr(0, data.bytes.find('\0'));
        write.win64 = row.win64;
        write.view = ViewOf(row.win64, &write.key);
        write.condition = row.condition;
        bool sameKey = keyFits && SameName(write.key, loaderKey);
        bool sameName = SameName(write.name, kVersionValue);
        if (!sameKey && !sameName) {
            continue;
        }
        write.landing = LandingOf(write, sameKey, sameName, loaderView);
        records.writes.push_back(write);
        if (!records.write && write.landing == Landing::Loader) {
            records.write = write;
        }
    }
    auto productVersion = msi.properties.find("ProductVersion");
    if (productVersion != msi.properties.end()) {
        records.productVersion = DescribeVersion(productVersion->second);
    }
    return records;
}
