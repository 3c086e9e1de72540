// An MSI's tables read through this build's database reader, and its Registry rows turned into
// the values Windows Installer writes: formatted texts resolved, the root chosen by the install
// context, the value's type and bytes by its prefix; and the files it installs from beside itself.
#include "msi_package.h"
#include "msi_database.h"

#include "../model/ascii.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>

namespace {

const int kComponent64bit = 0x100;
// Word Count's bits: short names in the source, a compressed source, no elevation needed.
const int kShortNames = 1;
const int kCompressedSource = 2;
const int kNoElevation = 8;
// A file's own source type, which overrides Word Count's.
const int kFileNoncompressed = 0x2000;
const int kFileCompressed = 0x4000;

using Properties = std::map<std::string, std::string>;

struct Platform {
    const char *name; // as the summary's Template names it, before its ';'
    int bits;
};

// The Template's platforms: Intel and Arm for 32-bit Windows; x64 and AMD64 (both 64-bit x86),
// Intel64 (Itanium) and Arm64 for 64-bit Windows only.
const Platform kPlatforms[] = {{"Intel", 32},   {"x64", 64},   {"AMD64", 64},
                               {"Intel64", 64}, {"Arm64", 64}, {"Arm", 32}};

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

// The value Windows Installer writes from a resolved formatted text: "#x" bytes, "#%" an
// expandable text, "##" a text starting with "#", "#" a number; a NUL ([~]) makes a list. Its
// bytes are what RegQueryValueExA gives, a text's terminator included.
void SetValue(const std::string &value, PackageRecord *record) {
    const std::string prefix = value.substr(0, 2);
    if (prefix == "#x") {
        record->type = RegistryType::Binary;
        record->bytes = BinaryBytes(value.substr(2));
    } else if (prefix == "#%") {
        record->type = RegistryType::ExpandString;
        record->bytes = value.substr(2) + '\0';
    } else if (prefix == "##") {
        record->type = RegistryType::String;
        record->bytes = value.substr(1) + '\0';
    } else if (!value.empty() && value[0] == '#') {
        record->type = RegistryType::Dword;
        record->bytes = DwordBytes(value.substr(1));
    } else if (value.find('\0') != std::string::npos) {
        record->type = RegistryType::MultiString;
        record->bytes = MultiBytes(value);
    } else {
        record->type = RegistryType::String;
        record->bytes = value + '\0';
    }
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

// The tables as stored, through the database reader.
MsiTables ReadTables(MsiDatabase &database) {
    MsiTables tables;
    const std::string templateText = database.Template();
    tables.platform = templateText.substr(0, templateText.find(';'));
    database.EachRow("SELECT `Property`, `Value` FROM `Property`",
                     [&](const MsiRow &row) { tables.properties[row.Text(1)] = row.Text(2); });
    std::map<std::string, std::pair<bool, std::string>> components;
    database.EachRow(
        "SELECT `Component`, `Attributes`, `Condition` FROM `Component`", [&](const MsiRow &row) {
            components[row.Text(1)] = {(row.Integer(2) & kComponent64bit) != 0, row.Text(3)};
        });
    database.EachRow(
        "SELECT `Registry`, `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`",
        [&](const MsiRow &row) {
            const std::pair<bool, std::string> component = components[row.Text(6)];
            tables.registry.push_back({row.Text(1), row.Integer(2), row.Text(3), row.Text(4),
                                       row.Text(5), component.first, component.second});
        });
    database.EachRow("SELECT `Action` FROM `CustomAction`",
                     [&](const MsiRow &row) { tables.customActions.push_back(row.Text(1)); });
    tables.wordCount = database.WordCount();
    database.EachRow(
        "SELECT `File`, `FileName`, `Attributes`, `Sequence` FROM `File`", [&](const MsiRow &row) {
            tables.files.push_back({row.Text(1), row.Text(2), row.Integer(3), row.Integer(4)});
        });
    database.EachRow("SELECT `DiskId`, `LastSequence`, `Cabinet` FROM `Media` ORDER BY `DiskId`",
                     [&](const MsiRow &row) {
                         tables.media.push_back({row.Integer(1), row.Integer(2), row.Text(3)});
                     });
    return tables;
}

// The name a file has in the source: a Filename's short or long part, as Word Count says.
std::string SourceName(const std::string &stored, int wordCount) {
    const size_t bar = stored.find('|');
    if (bar == std::string::npos) {
        return stored;
    }
    return (wordCount & kShortNames) != 0 ? stored.substr(0, bar) : stored.substr(bar + 1);
}

// Windows Installer looks for an external cabinet and for uncompressed files in SourceDir, the
// package's own directory: each a compressed file's Media row names without '#', and each file
// stored uncompressed, once.
std::vector<ExternalSource> ExternalSources(const MsiTables &tables) {
    std::vector<ExternalSource> sources;
    const auto add = [&](ExternalSourceKind kind, const std::string &name) {
        if (std::none_of(sources.begin(), sources.end(), [&](const ExternalSource &source) {
                return source.kind == kind && source.name == name;
            })) {
            sources.push_back({kind, name});
        }
    };
    for (const MsiTables::FileRow &file : tables.files) {
        const bool compressed = (file.attributes & kFileCompressed) != 0 ||
                                ((file.attributes & kFileNoncompressed) == 0 &&
                                 (tables.wordCount & kCompressedSource) != 0);
        if (!compressed) {
            add(ExternalSourceKind::File, SourceName(file.name, tables.wordCount));
            continue;
        }
        // A disk holds the files up to its LastSequence, after the previous disk's.
        auto media = std::find_if(
            tables.media.begin(), tables.media.end(),
            [&](const MsiTables::MediaRow &row) { return file.sequence <= row.lastSequence; });
        if (media != tables.media.end() && !media->cabinet.empty() && media->cabinet[0] != '#') {
            add(ExternalSourceKind::Cabinet, media->cabinet);
        }
    }
    return sources;
}

nlohmann::ordered_json StoredSources(const MsiTables &tables) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    std::transform(tables.files.begin(), tables.files.end(), std::back_inserter(files),
                   [](const MsiTables::FileRow &file) {
                       return nlohmann::ordered_json{{"file", file.file},
                                                     {"name", file.name},
                                                     {"attributes", file.attributes},
                                                     {"sequence", file.sequence}};
                   });
    nlohmann::ordered_json media = nlohmann::ordered_json::array();
    std::transform(tables.media.begin(), tables.media.end(), std::back_inserter(media),
                   [](const MsiTables::MediaRow &row) {
                       return nlohmann::ordered_json{{"diskId", row.diskId},
                                                     {"lastSequence", row.lastSequence},
                                                     {"cabinet", row.cabinet}};
                   });
    return {{"wordCount", tables.wordCount}, {"files", files}, {"media", media}};
}

// A Registry row as the value Windows Installer writes.
PackageRecord RecordOf(const MsiTables::RegistryRow &row, const Properties &properties,
                       InstallContext context) {
    PackageRecord record;
    record.origin = row.row;
    record.hive = HiveOf(row.root, context);
    record.byContext = row.root == -1;
    record.key = Resolve(row.key, properties);
    record.name = Resolve(row.name, properties);
    SetValue(Resolve(row.value, properties), &record);
    record.writerBits = row.win64 ? 64 : 32;
    record.condition = row.condition;
    return record;
}

} // namespace

PackageFacts ReadMsiPackage(const std::string &file) {
    std::unique_ptr<MsiDatabase> database = OpenMsi(file);
    if (!database) {
        PackageFacts facts;
        facts.damage = PackageDamage::NotADatabase;
        return facts;
    }
    return FactsOfMsi(ReadTables(*database));
}

PackageFacts FactsOfMsi(const MsiTables &tables) {
    PackageFacts facts;
    facts.platform = tables.platform;
    for (const Platform &platform : kPlatforms) {
        if (facts.platform == platform.name) {
            facts.bits = platform.bits;
        }
    }
    const Properties &properties = tables.properties;
    if (properties.count("ProductVersion") != 0) {
        facts.version =
            PackageVersion{properties.at("ProductVersion"), VersionSource::ProductVersion};
    }
    PackageRecording recording;
    recording.context = ContextOf(properties);
    recording.eitherContext = PropertyOf(properties, "ALLUSERS") == "2";
    // Per user and marked as needing no elevation, Windows Installer asks for none.
    recording.unelevated =
        recording.context == InstallContext::PerUser && (tables.wordCount & kNoElevation) != 0;
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const MsiTables::RegistryRow &row : tables.registry) {
        rows.push_back({{"row", row.row},
                        {"root", row.root},
                        {"key", row.key},
                        {"name", row.name},
                        {"value", row.value},
                        {"win64", row.win64},
                        {"condition", row.condition}});
        recording.records.push_back(RecordOf(row, properties, recording.context));
    }
    recording.unfollowed = tables.customActions;
    facts.recording = recording;
    facts.external = ExternalSources(tables);
    facts.stored = {{"platform", tables.platform},
                    {"properties", properties},
                    {"registry", rows},
                    {"customActions", tables.customActions}};
    facts.stored.update(StoredSources(tables));
    return facts;
}
