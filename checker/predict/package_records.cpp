// An MSI's Registry rows as Windows Installer writes them: formatted texts resolved, the root
// chosen by ALLUSERS, the view by the component's 64-bit attribute, names matched without regard
// to case; then which of them the loader reads.
#include "predict.h"

#include "../model/ascii.h"

#include <loader.h>

#include <cstdlib>
#include <map>

namespace {

bool SameName(const std::string &first, const std::string &second) {
    return AsciiLower(first) == AsciiLower(second);
}

// [Property] becomes the property's value (empty when it has none), [~] a NUL; [\x] escapes x.
// Other bracketed forms ([#file], [$component], [%env]) name things only an install knows and
// become empty, as an undefined property does.
std::string Resolve(const std::string &text, const std::map<std::string, std::string> &properties) {
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
            auto found = properties.find(inside);
            out += found == properties.end() ? "" : found->second;
        }
        at = close;
    }
    return out;
}

// The bytes a REG_DWORD holds, up to the first zero byte, as the loader's text reader ends them.
std::string DwordText(const std::string &digits) {
    unsigned long value = std::strtoul(digits.c_str(), nullptr, 10);
    std::string bytes;
    for (int i = 0; i < 4 && ((value >> (8 * i)) & 0xFF) != 0; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

// What the loader's reader takes from a value written from this formatted text: "#x" binary and
// "#" numbers are not text; "#%" is expandable text, read unexpanded; "##" a text starting with
// "#"; a multi-string (a NUL from [~]) is read up to its first string's end.
std::string DataOf(const std::string &value) {
    if (value.size() >= 2 && value[0] == '#' && (value[1] == 'x' || value[1] == 'X')) {
        return "";
    }
    if (value.size() >= 2 && value[0] == '#' && value[1] == '%') {
        return value.substr(2);
    }
    if (value.size() >= 2 && value[0] == '#' && value[1] == '#') {
        return value.substr(1);
    }
    if (!value.empty() && value[0] == '#') {
        return DwordText(value.substr(1));
    }
    size_t first = value.find_first_not_of('\0');
    if (first == std::string::npos) {
        return "";
    }
    return value.substr(first, value.find('\0', first) - first);
}

std::string HiveOf(int root, const std::string &allUsers) {
    switch (root) {
    case -1:
        return allUsers == "1" ? "HKLM" : allUsers == "2" ? "HKLM or HKCU" : "HKCU";
    case 0:
        return "HKCR";
    case 1:
        return "HKCU";
    case 2:
        return "HKLM";
    default:
        return "HKU";
    }
}

Landing LandingOf(const PackageWrite &write, bool loaderKey, bool loaderName, int loaderView) {
    if (!loaderKey) {
        return Landing::OtherKey;
    }
    if (!loaderName) {
        return Landing::OtherName;
    }
    if (write.hive != "HKLM" && write.hive != "HKLM or HKCU") {
        return Landing::UserHive;
    }
    if (write.view != loaderView) {
        return Landing::OtherView;
    }
    return write.hive == "HKLM" ? Landing::Loader : Landing::EitherHive;
}

} // namespace

PackageRecords PredictPackageRecords(const MsiContents &msi, const std::string &regPath,
                                     int loaderView) {
    PackageRecords records;
    auto allUsers = msi.properties.find("ALLUSERS");
    const std::string allUsersValue = allUsers == msi.properties.end() ? "" : allUsers->second;
    // The key the loader opens; none where Software\<RegPath> does not fit its buffer.
    char subKey[kSubKeyCapacity] = {0};
    const bool keyFits = FormInstalledKey(regPath.c_str(), subKey);
    const std::string loaderKey = subKey;
    for (const RegistryRow &row : msi.registry) {
        PackageWrite write;
        write.row = row.row;
        write.hive = HiveOf(row.root, allUsersValue);
        write.key = Resolve(row.key, msi.properties);
        write.name = Resolve(row.name, msi.properties);
        write.data = DataOf(Resolve(row.value, msi.properties));
        write.view = row.win64 ? 64 : 32;
        write.condition = row.condition;
        bool sameKey = keyFits && SameName(write.key, loaderKey);
        bool sameName = SameName(write.name, kVersionValue);
        if (!sameKey && !sameName) {
            continue;
        }
        write.landing = LandingOf(write, sameKey, sameName, loaderView);
        records.writes.push_back(write);
        if (!records.write &&
            (write.landing == Landing::Loader || write.landing == Landing::EitherHive)) {
            records.write = write;
        }
    }
    auto productVersion = msi.properties.find("ProductVersion");
    if (productVersion != msi.properties.end()) {
        records.productVersion = DescribeVersion(productVersion->second);
    }
    return records;
}
