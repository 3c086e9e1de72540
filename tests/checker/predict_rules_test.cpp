// The checker's decisions and findings over hand-built observations: each row changes a sound
// medium in one way and names the end, the cause, where the package runs from and the codes.
#include "observe/msi_package.h"
#include "observe/package_formats.h"
#include "observe/positions.h"
#include "predict/predict.h"
#include "report/message.h"
#include "report/reasons.h"
#include "rules/rules.h"

#include <paths.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kLongRegPath(252, 'k'); // Software\ and it do not fit 260 characters
const char kMapping[] = "Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf";

// An observation, what the command line gives beside it, and the machine's files by their Windows
// paths and the package's tables, which Finish observes as the checker does.
struct Checked : Observation {
    std::optional<std::string> records;
    std::map<std::string, FileKind> files;
    std::optional<MsiTables> msi;
    std::uintmax_t packageLength = 9216;
};

Checked Sound() {
    Checked o;
    o.medium = "medium";
    o.programDirectory = "E:\\";
    DescriptorFile &d = o.descriptor;
    d.path = "E:\\\\autorun.inf";
    d.found = true;
    d.bytes =
        "[autorun]\r\nRuntimePackage=setup.exe\r\nRegPath=Maker\\Runtime\r\nVersion=2.1.0.5\r\n";
    d.hasSection = true;
    d.complete = 1;
    strcpy(d.values.RuntimePackage, "setup.exe");
    strcpy(d.values.RegPath, "Maker\\Runtime");
    strcpy(d.values.Version, "2.1.0.5");
    for (int i = 0; i < 3; ++i) {
        d.wholeValues[i] = DescriptorValue(d, i);
    }
    o.tempPath = "%TEMP%\\";
    o.files = {{"E:\\\\setup.exe", FileKind::File}, {"%TEMP%", FileKind::Directory}};
    o.installed = GivenRecord("Maker\\Runtime", std::nullopt);
    return o;
}

// A record read from the registry in a view.
Record InView(int view, RecordState state, const std::string &stored = "") {
    Record record = GivenRecord("Maker\\Runtime", stored);
    record.source = RecordSource::Registry;
    record.view = view;
    record.state = state;
    record.read = state == RecordState::Present;
    record.version = record.read ? stored : "";
    return record;
}

// Sets a descriptor value as the reader reads it, uncut.
void Set(Checked &o, int index, const char *text) {
    char *values[3] = {o.descriptor.values.RuntimePackage, o.descriptor.values.RegPath,
                       o.descriptor.values.Version};
    strcpy(values[index], text);
    o.descriptor.wholeValues[index] = text;
}

Signature Signed(SignatureState state, const std::string &timestamp) {
    return Signature{"loader.exe",
                     state,
                     "CN=Publisher",
                     timestamp,
                     "2026-01-01 00:00:00 UTC",
                     "2027-01-01 00:00:00 UTC",
                     "",
                     0,
                     24064};
}

// The package an MSI whose one Registry row writes value at HKLM\Software\Maker\Runtime, value
// Version, from a 32-bit component.
void Msi(Checked &o, const std::string &value) {
    Set(o, 0, "setup.msi");
    o.files = {{"E:\\\\setup.msi", FileKind::File}, {"%TEMP%", FileKind::Directory}};
    MsiTables msi;
    msi.platform = "Intel";
    msi.properties = {{"ALLUSERS", "1"}, {"ProductVersion", "2.1.0.5"}};
    msi.registry = {{"reg", 2, "Software\\Maker\\Runtime", "Version", value, false, ""}};
    o.msi = msi;
}

// The MSI's one Registry row, and its properties.
MsiTables::RegistryRow &OnlyRow(Checked &o) {
    return o.msi->registry.front();
}

std::map<std::string, std::string> &Properties(Checked &o) {
    return o.msi->properties;
}

// The sound MSI with one file, of these attributes, in a cabinet so named, its Word Count this.
void OneFile(Checked &o, int wordCount, int attributes, const std::string &cabinet,
             const std::string &name = "readme.txt") {
    o.msi->wordCount = wordCount;
    o.msi->files = {{"payload", name, attributes, 1}};
    o.msi->media = {{1, 1, cabinet}};
}

// A package per user, its Word Count this: 10 is what InstallScope="perUser" writes.
void PerUser(Checked &o, int wordCount) {
    Properties(o).erase("ALLUSERS");
    o.msi->wordCount = wordCount;
}

// A disc image read by its ISO 9660 names, compared with its Rock Ridge ones.
MediumNaming IsoImage() {
    MediumNaming image;
    image.present = {FileSystem::Iso9660, FileSystem::RockRidge};
    image.read = FileSystem::Iso9660;
    image.others = FileSystem::RockRidge;
    return image;
}

FileKind KindAt(const Checked &o, const std::string &path) {
    auto found = o.files.find(path);
    return found == o.files.end() ? FileKind::Unknown : found->second;
}

// What the checker observes of the machine the row lays out: the package's format, the launch
// plan and the files it names, the package's facts where it is an MSI on the medium, and where
// the descriptor's values lie.
void Finish(Checked &o) {
    const PackageFormat *format = FormatOfName(o.descriptor.values.RuntimePackage);
    o.packageFormat = format != nullptr ? format->name : kNoFormat;
    if (o.descriptor.complete) {
        PlannedLaunch launch;
        launch.formed = PlanLaunch(o.programDirectory.c_str(), o.tempPath.c_str(),
                                   &o.descriptor.values, kCheckedStagingNumber, &launch.plan);
        launch.package = KindAt(o, launch.plan.SourcePath);
        std::string name = o.descriptor.values.RuntimePackage;
        std::replace(name.begin(), name.end(), '\\', '/');
        launch.packageOnMedium = IsNameBelowDirectory(name.c_str()) ? name : "";
        if (launch.plan.Staging == kStaged) {
            char directory[kPathCapacity] = {0};
            strcpy(directory, launch.plan.StagingDirectory);
            RemoveFileSpec(directory);
            launch.stagingDirectory = directory;
            launch.stagingDirectoryKind = KindAt(o, directory);
        }
        o.launch = launch;
        if (o.msi && launch.package == FileKind::File) {
            o.package = FactsOfMsi(*o.msi);
            o.package->format = "msi";
            o.package->path = launch.plan.SourcePath;
            o.package->length = o.packageLength;
        }
    }
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        o.descriptor.texts[key] = DescriptorValue(o.descriptor, key); // ASCII in every row
    }
    o.descriptor.encoding = EncodingOf(o.descriptor.bytes);
    o.descriptor.positions = PositionsInDescriptor(o.descriptor.bytes, o.descriptor.encoding);
}

void Incomplete(Checked &o) {
    o.descriptor.complete = 0;
    o.installed.reset();
}

struct Row {
    const char *label;
    std::function<void(Checked &)> change;
    End end;
    Cause cause;
    std::vector<std::string> codes;
    std::string inReport = ""; // a text of the decision's reason or a finding's "where: message"
};

// A medium whose package is the sound MSI, its one row recording value and change making the
// rest of the row's difference; nothing is installed, so this start installs.
Row MsiRow(const char *label, const std::string &value, std::vector<std::string> codes,
           std::string inReport = "", std::function<void(Checked &)> change = nullptr) {
    return Row{label,
               [value, change](Checked &o) {
                   Msi(o, value);
                   if (change) {
                       change(o);
                   }
               },
               End::Install,
               Cause::NotRead,
               std::move(codes),
               std::move(inReport)};
}

TEST(PredictAndRules, Table) {
    const Row rows[] = {
        {"sound, nothing installed", [](Checked &) {}, End::Install, Cause::NotRead, {}},
        {"sound, up to date",
         [](Checked &o) { o.installed = GivenRecord("Maker\\Runtime", "2.1.0.5"); },
         End::UpToDate,
         Cause::Ordered,
         {},
         "2.1.0.5 orders alike 2.1.0.5"},
        {"older installed",
         [](Checked &o) { o.installed = GivenRecord("Maker\\Runtime", "2.0.0.0"); },
         End::Install,
         Cause::Ordered,
         {},
         "2.1.0.5 orders after 2.0.0.0"},
        {"path of autorun.inf too long",
         [](Checked &o) {
             o.descriptor = DescriptorFile();
             o.installed.reset();
         },
         End::IncompleteDescriptor,
         Cause::DescriptorPathTooLong,
         {"MC106"}},
        {"no autorun.inf",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.found = false;
         },
         End::IncompleteDescriptor,
         Cause::NoDescriptor,
         {"MC101"}},
        {"no section",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.hasSection = false;
         },
         End::IncompleteDescriptor,
         Cause::NoSection,
         {"MC102"},
         "autorun.inf: autorun.inf has no section [autorun]"},
        // The platform's reader finds the section behind a byte-order mark: one reason, the
        // value.
        {"mark, section, no RegPath",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.bytes = "\xEF\xBB\xBF[autorun]\r\nRuntimePackage=setup.exe\r\n";
             o.descriptor.values.RegPath[0] = o.descriptor.values.Version[0] = '\0';
             o.descriptor.missingKey = 1;
         },
         End::IncompleteDescriptor,
         Cause::MissingValue,
         {"MC103"},
         "RegPath is missing"},
        // A mark Windows reads as bytes hides the section that Wine finds: one reason, the
        // mark.
        {"UTF-8 mark on the line of [autorun]",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.hasSection = false;
             o.descriptor.bytes = "\xEF\xBB\xBF[autorun]\r\n";
             o.descriptor.marked = MarkedReadings{false, true};
         },
         End::IncompleteDescriptor,
         Cause::NoSection,
         {"MC107"}},
        {"UTF-16 BE",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.hasSection = false;
             o.descriptor.bytes = std::string("\xFE\xFF\0[", 4);
             o.descriptor.marked = MarkedReadings{false, true};
         },
         End::IncompleteDescriptor,
         Cause::NoSection,
         {"MC108"}},
        {"UTF-16 LE, not ASCII on line 2",
         [](Checked &o) { o.descriptor.bytes = std::string("\xFF\xFE[\0\n\0s\0\xE9\0", 10); },
         End::Install,
         Cause::NotRead,
         {"MC105", "MC109"}},
        // On a machine that maps autorun.inf to the registry the loader reads the file itself:
        // the same decision, and the mapping said.
        {"the anti-AutoRun mapping, where the profile functions read it",
         [](Checked &o) {
             o.descriptorMappings = {{kMapping, 64, Consultation::Consulted, "@SYS:DoesNotExist"}};
         },
         End::Install,
         Cause::NotRead,
         {"MC110"},
         "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf "
         "(64-bit view): this machine maps autorun.inf to the registry (@SYS:DoesNotExist): "
         "Windows reads nothing from any autorun.inf"},
        {"a mapping in the view the profile functions do not read",
         [](Checked &o) {
             o.descriptorMappings = {{kMapping, 32, Consultation::Ignored, "@SYS:DoesNotExist"}};
         },
         End::Install,
         Cause::NotRead,
         {"MC110"},
         "(32-bit view): this machine maps autorun.inf to the registry (@SYS:DoesNotExist), in a "
         "view the profile functions do not read: it changes nothing"},
        {"sections mapped one by one, no autorun.inf",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.found = false;
             o.descriptorMappings = {{kMapping, 0, Consultation::Consulted, ""}};
         },
         End::IncompleteDescriptor,
         Cause::NoDescriptor,
         {"MC110", "MC101"},
         "IniFileMapping\\autorun.inf: this machine maps autorun.inf to the registry (section by "
         "section)"},
        {"Version cut",
         [](Checked &o) { o.descriptor.wholeValues[2] = "2.1.0.5-and-much-more-than-31-chars"; },
         End::Install,
         Cause::NotRead,
         {"MC104"},
         "autorun.inf [autorun] Version: Version has 35 characters; the loader reads only the "
         "first 7: '2.1.0.5'"},
        {"RuntimePackage cut",
         [](Checked &o) { o.descriptor.wholeValues[0] = "setup.exe and more"; },
         End::Install,
         Cause::NotRead,
         {"MC104"},
         "RuntimePackage has 18 characters"},
        // The reader reads the first [autorun]; values in another are never read.
        {"values in a second section [autorun]",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.bytes = "[autorun]\r\nopen=loader.exe\r\n\r\n[autorun]\r\n"
                                  "RuntimePackage=setup.exe\r\n";
             o.descriptor.values.RuntimePackage[0] = '\0';
             o.descriptor.missingKey = kRuntimePackageKey;
         },
         End::IncompleteDescriptor,
         Cause::MissingValue,
         {"MC111", "MC103"},
         "autorun.inf: autorun.inf has a second section [autorun], which the loader never reads"},
        {"Version missing",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.values.Version[0] = '\0';
             o.descriptor.missingKey = 2;
         },
         End::IncompleteDescriptor,
         Cause::MissingValue,
         {"MC103"},
         "autorun.inf gives no Version in section [autorun]"},
        {"not ASCII on line 2",
         [](Checked &o) { o.descriptor.bytes = "[autorun]\r\nRuntimePackage=s\xE9tup.exe\r\n"; },
         End::Install,
         Cause::NotRead,
         {"MC105"}},
        {"Version 1.0 over 1.0.0.0",
         [](Checked &o) {
             Set(o, 2, "1.0");
             o.installed = GivenRecord("Maker\\Runtime", "1.0.0.0");
         },
         End::UpToDate,
         Cause::Ordered,
         {"MC201"},
         "autorun.inf [autorun] Version: '1.0' is not a version"},
        {"wide field",
         [](Checked &o) { Set(o, 2, "1.10000.0.0"); },
         End::Install,
         Cause::NotRead,
         {"MC202"}},
        {"no full stops",
         [](Checked &o) { Set(o, 2, "21000005"); },
         End::Install,
         Cause::NotRead,
         {"MC203"},
         "into 0002.0001.0000.0005"},
        {"RegPath with a backslash",
         [](Checked &o) { o.installed = GivenRecord("\\Maker", std::nullopt); },
         End::Install,
         Cause::NotRead,
         {"MC301"},
         "autorun.inf [autorun] RegPath: RegPath starts with a backslash"},
        {"RegPath with Software",
         [](Checked &o) { o.installed = GivenRecord("software\\Maker", std::nullopt); },
         End::Install,
         Cause::NotRead,
         {"MC302"}},
        // The sub-key rule holds whatever the command line gives.
        {"RegPath of 252, nothing given",
         [](Checked &o) { o.installed = GivenRecord(kLongRegPath, std::nullopt); },
         End::Install,
         Cause::NotRead,
         {"MC303"}},
        {"RegPath of 252, installed given",
         [](Checked &o) { o.installed = GivenRecord(kLongRegPath, "2.1.0.5"); },
         End::Install,
         Cause::NotRead,
         {"MC303"}},
        {"RegPath of 252, records given",
         [](Checked &o) {
             Set(o, 1, kLongRegPath.c_str());
             o.installed = GivenRecord(kLongRegPath, std::nullopt);
             o.records = "2.1.0.5";
         },
         End::Install,
         Cause::NotRead,
         {"MC303", "MC306"},
         "recorded '2.1.0.5', the next"},
        {"only in the other view",
         [](Checked &o) {
             o.installed = InView(32, RecordState::NoKey);
             o.otherView = InView(64, RecordState::Present, "2.1.0.5");
         },
         End::Install,
         Cause::NotRead,
         {"MC304"},
         "HKLM\\Software\\Maker\\Runtime (64-bit view): the version is recorded only in the "
         "other view (64-bit): the loader reads the 32-bit view"},
        {"other view differs",
         [](Checked &o) {
             o.installed = InView(32, RecordState::Present, "2.1.0.5");
             o.otherView = InView(64, RecordState::Present, "1.0.0.0");
         },
         End::UpToDate,
         Cause::Ordered,
         {"MC307"}},
        {"both views alike",
         [](Checked &o) {
             o.installed = InView(32, RecordState::Present, "2.1.0.5");
             o.otherView = InView(64, RecordState::Present, "2.1.0.5");
         },
         End::UpToDate,
         Cause::Ordered,
         {}},
        {"installed of 32 characters",
         [](Checked &o) {
             o.installed = GivenRecord("Maker\\Runtime", "12345678.12345678.12345678.12345");
         },
         End::UpToDate,
         Cause::Ordered,
         {}},
        {"Version normalised over 32 characters",
         [](Checked &o) { Set(o, 2, "1234567890.1234567890.1234567.1"); },
         End::Install,
         Cause::NotRead,
         {"MC202"}},
        {"installed not a version",
         [](Checked &o) { o.installed = GivenRecord("Maker\\Runtime", "2.1.5"); },
         End::Install,
         Cause::Ordered,
         {"MC305"}},
        {"installed over 260 bytes",
         [](Checked &o) { o.installed = GivenRecord("Maker\\Runtime", std::string(300, '9')); },
         End::Install,
         Cause::NotRead,
         {}},
        {"records a short version",
         [](Checked &o) { o.records = "2.1.5"; },
         End::Install,
         Cause::NotRead,
         {"MC306"},
         "'2.1.5' is not a version"},
        {"records the version",
         [](Checked &o) { o.records = "2.1.0.5"; },
         End::Install,
         Cause::NotRead,
         {}},
        {"a program whose records are not given", [](Checked &) {}, End::Install, Cause::NotRead,
         {"MC617"}, "next start unknown\nE:\\\\setup.exe: the check cannot read what this package"},
        {"package missing",
         [](Checked &o) { o.files["E:\\\\setup.exe"] = FileKind::Missing; },
         End::Install,
         Cause::NotRead,
         {"MC401"}},
        {"package in a sub-directory",
         [](Checked &o) {
             Set(o, 0, "redist\\setup.exe");
             o.files = {{"E:\\\\redist\\setup.exe", FileKind::File},
                        {"%TEMP%", FileKind::Directory}};
         },
         End::Install,
         Cause::NotRead,
         {"MC402"}},
        {"package above the medium",
         [](Checked &o) { Set(o, 0, "..\\setup.exe"); },
         End::Install,
         Cause::NotRead,
         {"MC403"}},
        {"package of another type",
         [](Checked &o) {
             Set(o, 0, "setup.bat");
             o.files = {{"E:\\\\setup.bat", FileKind::File}, {"%TEMP%", FileKind::Directory}};
         },
         End::Install,
         Cause::NotRead,
         {"MC404"},
         "autorun.inf [autorun] RuntimePackage: 'setup.bat' is opened"},
        {"package of another type in a sub-directory",
         [](Checked &o) {
             Set(o, 0, "tools\\setup.bat");
             o.files = {{"E:\\\\tools\\setup.bat", FileKind::File}};
         },
         End::Install,
         Cause::NotRead,
         {"MC402", "MC404"},
         "'setup.bat' is opened"},
        MsiRow("MSI records [ProductVersion]", "[ProductVersion]", {}),
        MsiRow("MSI records ##2.1.0.5, a text starting with #", "##2.1.0.5", {"MC603"},
               "records a REG_SZ the loader reads as '#2.1.0.5'"),
        MsiRow("MSI records a property it lacks", "[RuntimeVersion]", {"MC603"}, "reads as ''"),
        MsiRow("MSI's 64-bit row, for the 64-bit loader", "[ProductVersion]", {"MC608"}, "",
               [](Checked &o) {
                   OnlyRow(o).win64 = true;
                   o.msi->platform = "x64";
                   o.loaderView = 64;
               }),
        MsiRow("MSI's 32-bit row, for the 64-bit loader", "[ProductVersion]", {"MC601"},
               "writes HKLM\\Software\\Maker\\Runtime value Version into the 32-bit view (its component is 32-bit); the "
               "loader reads the 64-bit view",
               [](Checked &o) { o.loaderView = 64; }),
        // What RegQueryValueExA returns for each type the Registry table writes, taken by the
        // loader's TakeInstalledVersion: up to the first zero byte.
        MsiRow("MSI records the version's bytes, terminated", "#x322E312E302E3500", {}),
        MsiRow("MSI records the version's bytes, unterminated, in lower case", "#x322e312e302e35",
               {}),
        MsiRow("MSI records the version's bytes, then a byte of other characters",
               "#x322E312E302E35zz2E39", {}),
        MsiRow("MSI records an odd count of digits, led by a 0", "#x322E312E302E350", {"MC603"},
               "records a REG_BINARY the loader reads as '\x03\"\xE3\x12"),
        MsiRow("MSI records a number whose four bytes are 1.0a", "#1630547505", {"MC603"},
               "records a REG_DWORD the loader reads as '1.0a'"),
        MsiRow("MSI records a negative number, to the first other character", "#-2664419791x5",
               {"MC603"}, "reads as '1.0a'"),
        MsiRow("MSI records a number past 2^32", "#5925514801", {"MC603"}, "reads as '1.0a'"),
        MsiRow("MSI records a list of 258 characters, its 260 bytes read",
               std::string(258, '1') + "[~]", {"MC603"},
               "the installed value of 258 characters, taken as empty"),
        MsiRow("MSI records a list of 259 characters, its 261 bytes not read",
               std::string(259, '1') + "[~]", {"MC603"},
               "holds more than 260 bytes, which the loader does not read"),
        MsiRow("MSI records escapes, an empty and a two-letter property", "[][\\2][PV]", {}, "",
               [](Checked &o) { Properties(o)["PV"] = ".1.0.5"; }),
        MsiRow("MSI records under the longest key the loader opens", "[ProductVersion]", {}, "",
               [](Checked &o) {
                   Set(o, 1, std::string(251, 'k').c_str());
                   OnlyRow(o).key = "Software\\" + std::string(251, 'k');
               }),
        MsiRow("MSI records only another key's other value", "[ProductVersion]", {"MC604"}, "",
               [](Checked &o) {
                   OnlyRow(o).key = "Software\\Maker\\Other";
                   OnlyRow(o).name = "Build";
               }),
        MsiRow("MSI records an expandable text, unexpanded", "#%[ProductVersion]", {}),
        MsiRow("MSI records a list appended to nothing", "[~][ProductVersion]", {}),
        MsiRow("MSI records a list prepended to nothing", "[ProductVersion][~]", {}),
        MsiRow("MSI records a list whose first text is another", "a[~][ProductVersion]",
               {"MC603"}, "records a REG_MULTI_SZ the loader reads as 'a'"),
        MsiRow("MSI records an empty list", "[~]", {"MC603"}, "reads as ''"),
        // Root -1 as Windows Installer 5.0 chooses it.
        MsiRow("MSI per user: no ALLUSERS", "[ProductVersion]", {"MC602"},
               "writes HKCU\\Software\\Maker\\Runtime value Version, which the loader does not "
               "read",
               [](Checked &o) {
                   OnlyRow(o).root = -1;
                   Properties(o).erase("ALLUSERS");
               }),
        MsiRow("MSI per machine: ALLUSERS 0", "[ProductVersion]", {}, "",
               [](Checked &o) {
                   OnlyRow(o).root = -1;
                   Properties(o)["ALLUSERS"] = "0";
               }),
        MsiRow("MSI per machine: ALLUSERS 1 ignores MSIINSTALLPERUSER", "[ProductVersion]", {}, "",
               [](Checked &o) {
                   OnlyRow(o).root = -1;
                   Properties(o)["MSIINSTALLPERUSER"] = "1";
               }),
        MsiRow("MSI either context, per machine", "[ProductVersion]", {"MC611"},
               "ALLUSERS is 2: Windows 7 and later install it per machine, so Registry row 'reg' "
               "goes to HKLM, unless a dialog of the package or a command line sets "
               "MSIINSTALLPERUSER",
               [](Checked &o) {
                   OnlyRow(o).root = -1;
                   Properties(o)["ALLUSERS"] = "2";
               }),
        MsiRow("MSI either context, per user", "[ProductVersion]", {"MC611", "MC602"},
               "ALLUSERS is 2 and MSIINSTALLPERUSER 1: Windows 7 and later install it per user, so "
               "Registry row 'reg' goes to HKCU, where the loader does not read, unless a dialog "
               "of the package or a command line empties",
               [](Checked &o) {
                   OnlyRow(o).root = -1;
                   Properties(o)["ALLUSERS"] = "2";
                   Properties(o)["MSIINSTALLPERUSER"] = "1";
               }),
        MsiRow("MSI writes root 0", "[ProductVersion]", {"MC602"}, "writes HKCR\\Software",
               [](Checked &o) { OnlyRow(o).root = 0; }),
        MsiRow("MSI writes root 3", "[ProductVersion]", {"MC602"}, "writes HKU\\Software",
               [](Checked &o) { OnlyRow(o).root = 3; }),
        // Views as Windows resolves them: an explicit WOW6432Node below a 64-bit row's Software is
        // the 32-bit view.
        MsiRow("MSI's 64-bit row below WOW6432Node", "[ProductVersion]", {"MC608"}, "",
               [](Checked &o) {
                   OnlyRow(o).win64 = true;
                   o.msi->platform = "x64";
                   OnlyRow(o).key = "software\\wow6432node\\Maker\\Runtime";
               }),
        MsiRow("MSI's 64-bit row below WOW6432Node, for the 64-bit loader", "[ProductVersion]",
               {"MC601", "MC608"},
               "writes HKLM\\Software\\Maker\\Runtime value Version into the 32-bit view",
               [](Checked &o) {
                   OnlyRow(o).win64 = true;
                   o.msi->platform = "Intel64";
                   OnlyRow(o).key = "Software\\WOW6432Node\\Maker\\Runtime";
                   o.loaderView = 64;
               }),
        // A 32-bit row's explicit WOW6432Node: the 32-bit view's Software on 64-bit Windows, a key
        // of that name on 32-bit Windows.
        {"MSI's 32-bit row below WOW6432Node",
         [](Checked &o) {
             Msi(o, "[ProductVersion]");
             OnlyRow(o).key = "Software\\WOW6432Node\\Maker\\Runtime";
         },
         End::Install,
         Cause::NotRead,
         {"MC614"},
         "64-bit Windows takes it as the 32-bit view's Software\\Maker\\Runtime"},
        MsiRow("MSI's 32-bit row below WOW6432Node, on 32-bit Windows", "[ProductVersion]",
               {"MC602"}, "writes HKLM\\Software\\WOW6432Node\\Maker\\Runtime value Version",
               [](Checked &o) {
                   OnlyRow(o).key = "Software\\WOW6432Node\\Maker\\Runtime";
                   o.machine.bits = 32;
               }),
        MsiRow("MSI's 64-bit row in a package for Intel", "[ProductVersion]", {"MC613", "MC601"},
               "Registry row 'reg' belongs to a component marked 64-bit in a package whose "
               "Template says 'Intel'",
               [](Checked &o) { OnlyRow(o).win64 = true; }),
        // AMD64 is x64's other name, and Intel64 Itanium's: both are for 64-bit Windows only.
        MsiRow("MSI's 64-bit row in a package for AMD64", "[ProductVersion]", {"MC601", "MC608"},
               "the package targets AMD64",
               [](Checked &o) {
                   OnlyRow(o).win64 = true;
                   o.msi->platform = "AMD64";
               }),
        MsiRow("MSI's 64-bit row in a package for Arm64", "[ProductVersion]", {"MC601", "MC608"},
               "",
               [](Checked &o) {
                   OnlyRow(o).win64 = true;
                   o.msi->platform = "Arm64";
               }),
        // Files beside the package: its staged copy finds no source, and the install fails.
        MsiRow("MSI in an external cabinet: the next start reads what this one read",
               "[ProductVersion]", {"MC615"}, "next start install: nothing is installed\nfails: "
               "source-missing",
               [](Checked &o) { OneFile(o, 2, 512, "runtime.cab"); }),
        MsiRow("MSI in an embedded cabinet", "[ProductVersion]", {}, "next start up-to-date",
               [](Checked &o) { OneFile(o, 2, 512, "#runtime.cab"); }),
        MsiRow("MSI in an external cabinet, run from the medium beside it", "[ProductVersion]",
               {"MC402"}, "next start up-to-date", [](Checked &o) {
                   OneFile(o, 2, 512, "runtime.cab");
                   Set(o, 0, "redist\\setup.msi");
                   o.files = {{"E:\\\\redist\\setup.msi", FileKind::File},
                              {"%TEMP%", FileKind::Directory}};
               }),
        MsiRow("MSI of an uncompressed source", "[ProductVersion]", {"MC615"},
               "an uncompressed file 'readme.txt' beside it, which its staged copy lacks: the "
               "loader copies the package alone into the temporary directory, where Windows "
               "Installer finds no source (error 1308)",
               [](Checked &o) { OneFile(o, 0, 512, ""); }),
        MsiRow("MSI of short names, uncompressed", "[ProductVersion]", {"MC615"},
               "an uncompressed file 'README~1.TXT'",
               [](Checked &o) { OneFile(o, 1, 512, "", "README~1.TXT|readme.txt"); }),
        MsiRow("MSI's file marked uncompressed in a compressed package", "[ProductVersion]",
               {"MC615"}, "an uncompressed file 'readme.txt'",
               [](Checked &o) { OneFile(o, 2, 512 | 0x2000, "#runtime.cab"); }),
        MsiRow("MSI's file marked compressed in an uncompressed package", "[ProductVersion]", {},
               "", [](Checked &o) { OneFile(o, 0, 512 | 0x4000, "#runtime.cab"); }),
        MsiRow("MSI's file on its second disk, in an external cabinet", "[ProductVersion]",
               {"MC615"}, "an external cabinet 'disk2.cab'", [](Checked &o) {
                   OneFile(o, 2, 512, "#disk1.cab");
                   o.msi->files.push_back({"second", "second.txt", 512, 2});
                   o.msi->media.push_back({2, 2, "disk2.cab"});
               }),
        MsiRow("MSI's external cabinet no file lies in", "[ProductVersion]", {}, "",
               [](Checked &o) {
                   OneFile(o, 2, 512, "#disk1.cab");
                   o.msi->media.push_back({2, 5, "disk2.cab"});
               }),
        MsiRow("MSI in an external cabinet, --records given", "[ProductVersion]", {"MC615"},
               "next start install", [](Checked &o) {
                   OneFile(o, 2, 512, "runtime.cab");
                   o.records = "2.1.0.5";
               }),
        {"MSI in an external cabinet, up to date",
         [](Checked &o) {
             Msi(o, "[ProductVersion]");
             OneFile(o, 2, 512, "runtime.cab");
             o.installed = GivenRecord("Maker\\Runtime", "2.1.0.5");
         },
         End::UpToDate,
         Cause::Ordered,
         {"MC615"}},
        // Per user without elevation: a write to HKLM fails and rolls the install back.
        MsiRow("MSI per user without elevation writes HKLM", "[ProductVersion]", {"MC616"},
               "Registry row 'reg' cannot write HKLM\\Software\\Maker\\Runtime (error 1406)",
               [](Checked &o) { PerUser(o, 10); }),
        MsiRow("MSI per user asking for elevation writes HKLM", "[ProductVersion]", {},
               "next start up-to-date", [](Checked &o) { PerUser(o, 2); }),
        MsiRow("MSI per machine, Word Count's bit 3 set", "[ProductVersion]", {},
               "next start up-to-date", [](Checked &o) { o.msi->wordCount = 10; }),
        MsiRow("MSI per user without elevation, root -1", "[ProductVersion]", {"MC602"},
               "writes HKCU\\Software\\Maker\\Runtime", [](Checked &o) {
                   PerUser(o, 10);
                   OnlyRow(o).root = -1;
               }),
        MsiRow("MSI either context, per user, without elevation", "[ProductVersion]", {"MC616"},
               "", [](Checked &o) {
                   o.msi->wordCount = 10;
                   Properties(o)["ALLUSERS"] = "2";
                   Properties(o)["MSIINSTALLPERUSER"] = "1";
               }),
        MsiRow("MSI per user without elevation, in an external cabinet", "[ProductVersion]",
               {"MC615", "MC616"}, "fails: source-missing\nfails: cannot-write-hklm",
               [](Checked &o) {
                   OneFile(o, 10, 512, "runtime.cab");
                   Properties(o).erase("ALLUSERS");
               }),
        MsiRow("MSI writes Version under another key first, then the loader's",
               "[ProductVersion]", {}, "", [](Checked &o) {
                   o.msi->registry.insert(
                       o.msi->registry.begin(),
                       MsiTables::RegistryRow{"old", 2, "Software\\Maker\\Old", "Version", "1.0.0.0", false,
                                   ""});
               }),
        // The package's name as machines of each code page read it: found here and in 1250,
        // another file or none elsewhere; or found only elsewhere.
        {"a name other code pages read otherwise",
         [](Checked &o) {
             o.packageNames = {{1250, "Laufzeit-\xC3\xBC.exe", FileKind::File, true},
                               {1252, "Laufzeit-\xC3\xBC.exe", FileKind::File, true},
                               {932, "Laufzeit-\xE3\x83\xBB.exe", FileKind::Missing, false},
                               {1251, "Laufzeit-\xD1\x8C.exe", FileKind::File, false}};
         },
         End::Install,
         Cause::NotRead,
         {"MC406"},
         "names 'Laufzeit-\xC3\xBC.exe' in code page 1252, where it is the package; where the ANSI "
         "code page is 932 and 1251, the same bytes name another file or none"},
        {"a name only other code pages read as the package",
         [](Checked &o) {
             o.files["E:\\\\setup.exe"] = FileKind::Missing;
             o.packageNames = {{1250, "Laufzeit-\xC3\xBC.exe", FileKind::File, false},
                               {1252, "Laufzeit-\xE3\x83\xBB.exe", FileKind::Missing, true},
                               {932, "Laufzeit-\xE3\x83\xBB.exe", FileKind::Missing, true}};
         },
         End::Install,
         Cause::NotRead,
         {"MC401", "MC407"},
         "RuntimePackage names no file in code page 1252; where the ANSI code page is 1250, it "
         "names 'Laufzeit-\xC3\xBC.exe'"},
        {"package path too long",
         [](Checked &o) {
             o.programDirectory = "E:\\" + std::string(250, 'd');
             Set(o, 0, "setup.bat");
         },
         End::Install,
         Cause::NotRead,
         {"MC405"}},
        // Signatures as a verifier saw them. Wine never answers with an untrusted root, where
        // Windows does: that row stands only here.
        {"signed, time-stamped",
         [](Checked &o) { o.signatures = {Signed(SignatureState::Verified, "2026-12-09")}; },
         End::Install,
         Cause::NotRead,
         {}},
        {"signed, no time-stamp",
         [](Checked &o) { o.signatures = {Signed(SignatureState::Verified, "")}; },
         End::Install,
         Cause::NotRead,
         {"MC503"},
         "signed by CN=Publisher without a time-stamp"},
        {"untrusted root, time-stamped",
         [](Checked &o) { o.signatures = {Signed(SignatureState::Untrusted, "2026-12-09")}; },
         End::Install,
         Cause::NotRead,
         {"MC504"}},
        {"untrusted root, no time-stamp",
         [](Checked &o) { o.signatures = {Signed(SignatureState::Untrusted, "")}; },
         End::Install,
         Cause::NotRead,
         {"MC504", "MC503"}},
        {"certificate expired, no time-stamp from within its validity",
         [](Checked &o) { o.signatures = {Signed(SignatureState::Expired, "")}; },
         End::Install,
         Cause::NotRead,
         {"MC506"},
         "loader.exe is signed by CN=Publisher with a certificate valid from 2026-01-01 00:00:00 "
         "UTC to 2027-01-01 00:00:00 UTC, and no time-stamp"},
        {"revoked, not for code signing, distrusted, another answer",
         [](Checked &o) {
             o.signatures = {Signed(SignatureState::Revoked, ""),
                             Signed(SignatureState::WrongUsage, ""),
                             Signed(SignatureState::Distrusted, ""),
                             Signed(SignatureState::NotAccepted, "")};
             o.signatures.back().code = 0x800B0112;
         },
         End::Install,
         Cause::NotRead,
         {"MC507", "MC508", "MC509", "MC510"},
         "WinVerifyTrust answered 0x800B0112"},
        {"unsigned, changed after signing, not checked",
         [](Checked &o) {
             o.signatures = {Signed(SignatureState::Unsigned, ""),
                             Signed(SignatureState::BadDigest, ""),
                             Signed(SignatureState::NotChecked, "")};
         },
         End::Install,
         Cause::NotRead,
         {"MC501", "MC502", "MC505"}},
        {"signatures of an incomplete medium",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.found = false;
             o.signatures = {Signed(SignatureState::Unsigned, "")};
         },
         End::IncompleteDescriptor,
         Cause::NoDescriptor,
         {"MC101", "MC501"}},
        {"image: the package's name is another in the names Windows reads",
         [](Checked &o) {
             Set(o, 0, "runtime-installer.exe");
             o.files = {{"E:\\\\runtime-installer.exe", FileKind::Missing},
                        {"%TEMP%", FileKind::Directory}};
             o.naming = IsoImage();
             o.naming->renamed = {{"Runtime-Installer.exe", "RUNTIME_.EXE"}};
         },
         End::Install,
         Cause::NotRead,
         {"MC401", "MC702"},
         "RuntimePackage gives 'runtime-installer.exe', which the image names so in its Rock "
         "Ridge names only; Windows reads its ISO 9660 names, where it is 'RUNTIME_.EXE'"},
        {"image: another file's name is another, the package is there",
         [](Checked &o) {
             o.naming = IsoImage();
             o.naming->renamed = {{"release-notes.txt", "RELEASE_.TXT"}};
         },
         End::Install,
         Cause::NotRead,
         {"MC703"},
         "RELEASE_.TXT: 'release-notes.txt' in the image's Rock Ridge names is 'RELEASE_.TXT'"},
        {"image: a file left out, a directory moved",
         [](Checked &o) {
             o.naming = IsoImage();
             o.naming->leftOut = {"data1.cab"};
             o.naming->moved = {{"D1/D2/D3/D4/D5/D6/D7/D8", "RR_MOVED/D8", 8}};
         },
         End::Install,
         Cause::NotRead,
         {"MC704", "MC705"},
         "'D1/D2/D3/D4/D5/D6/D7/D8' is at level 9 of the tree"},
        {"image without a file system Windows reads",
         [](Checked &o) {
             Incomplete(o);
             o.descriptor.found = false;
             o.naming = MediumNaming{{FileSystem::Joliet}, std::nullopt, std::nullopt, {}, {}, {}};
         },
         End::IncompleteDescriptor,
         Cause::NoDescriptor,
         {"MC101", "MC701"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        Checked observation = Sound();
        row.change(observation);
        Finish(observation);
        const Prediction prediction = Predict(observation, observation.records);
        EXPECT_EQ(row.end, prediction.decision.end);
        EXPECT_EQ(row.cause, prediction.decision.cause);
        const std::vector<Finding> findings = CollectFindings(observation, prediction);
        std::vector<std::string> codes;
        const Reading *installed = prediction.installed ? &*prediction.installed : nullptr;
        std::string report =
            DecisionReason(prediction.decision, prediction.travelling, installed) + "\n";
        if (prediction.next) {
            report += std::string("next start ") + NameOf(prediction.next->decision.end) + ": " +
                      DecisionReason(prediction.next->decision, prediction.travelling,
                                     &prediction.next->recorded) +
                      "\n";
        }
        for (InstallFailure failure : prediction.failures) {
            report += std::string("fails: ") + NameOf(failure) + "\n";
        }
        if (prediction.nextUnknown) {
            report += "next start unknown\n";
        }
        // The table's program records nothing the check reads: MC617 counts where a row names it.
        const bool unknownCounts =
            std::find(row.codes.begin(), row.codes.end(), "MC617") != row.codes.end();
        for (const Finding &finding : findings) {
            if (finding.rule == RuleId::RecordsUnknown && !unknownCounts) {
                continue;
            }
            codes.push_back(RuleOf(finding.rule).code);
            report += WhereText(finding.subject) + ": " + MessageText(finding, prediction) + "\n";
        }
        EXPECT_EQ(row.codes, codes) << report;
        EXPECT_NE(std::string::npos, report.find(row.inReport)) << report;
        bool error = std::any_of(findings.begin(), findings.end(), [](const Finding &finding) {
            return RuleOf(finding.rule).severity == Severity::Error;
        });
        EXPECT_EQ(error, Fails(findings, false));
    }
}

// Where the package runs from, for each way the launch plan and the machine can go.
TEST(PredictAndRules, Placement) {
    struct PlaceRow {
        const char *label;
        std::function<void(Checked &)> change;
        LaunchSite site;
        LaunchCause cause;
        std::string path;
    };
    const PlaceRow rows[] = {
        {"staged", [](Checked &) {}, LaunchSite::Staging, LaunchCause::Staged,
         "%TEMP%\\CL00000000\\setup.exe"},
        {"no temporary directory", [](Checked &o) { o.tempPath = ""; }, LaunchSite::Medium,
         LaunchCause::NoTempDirectory, "E:\\\\setup.exe"},
        {"staging path too long",
         [](Checked &o) { o.tempPath = "C:\\" + std::string(250, 't') + "\\"; }, LaunchSite::Medium,
         LaunchCause::StagingTooLong, "E:\\\\setup.exe"},
        // 236 characters and setup.exe fit without the staging directory's name, not with it.
        {"staging path too long with its directory's name",
         [](Checked &o) { o.tempPath = "C:\\" + std::string(236, 't') + "\\"; }, LaunchSite::Medium,
         LaunchCause::StagingTooLong, "E:\\\\setup.exe"},
        {"in a sub-directory",
         [](Checked &o) {
             Set(o, 0, "redist\\setup.exe");
             o.files = {{"E:\\\\redist\\setup.exe", FileKind::File},
                        {"%TEMP%", FileKind::Directory}};
         },
         LaunchSite::Medium, LaunchCause::InSubDirectory, "E:\\\\redist\\setup.exe"},
        {"staging directory missing", [](Checked &o) { o.files["%TEMP%"] = FileKind::Missing; },
         LaunchSite::Medium, LaunchCause::NoStagingDirectory, "E:\\\\setup.exe"},
        {"leaves the directory", [](Checked &o) { Set(o, 0, "D:\\setup.exe"); }, LaunchSite::Medium,
         LaunchCause::LeavesDirectory, "E:\\\\D:\\setup.exe"},
        {"missing", [](Checked &o) { o.files["E:\\\\setup.exe"] = FileKind::Missing; },
         LaunchSite::Nowhere, LaunchCause::PackageMissing, "E:\\\\setup.exe"},
        {"source path of 259 characters",
         [](Checked &o) {
             o.programDirectory = "E:\\" + std::string(246, 'd');
             o.files = {{o.programDirectory + "\\setup.exe", FileKind::File},
                        {"%TEMP%", FileKind::Directory}};
         },
         LaunchSite::Staging, LaunchCause::Staged, "%TEMP%\\CL00000000\\setup.exe"},
        {"source too long", [](Checked &o) { o.programDirectory = std::string(255, 'd'); },
         LaunchSite::Nowhere, LaunchCause::SourceTooLong, ""},
    };
    for (const PlaceRow &row : rows) {
        SCOPED_TRACE(row.label);
        Checked observation = Sound();
        row.change(observation);
        Finish(observation);
        const PackageLaunch launch = *Predict(observation, observation.records).launch;
        EXPECT_EQ(row.site, launch.site);
        EXPECT_EQ(row.cause, launch.cause);
        EXPECT_EQ(row.path, launch.path);
    }
}

// The line MC105 names: the first character outside ASCII, in the file's encoding, a mark being
// no character; 0 where there is none.
TEST(PredictAndRules, NotAsciiLine) {
    const std::pair<std::string, int> rows[] = {
        {"\x80[autorun]", 1},
        {"[autorun]\x7F\r\n", 0},
        {"[autorun]\r\nx\n\xE9", 3},
        {"\xEF\xBB\xBF[autorun]", 0},
        {"\xEF\xBB\xBF\xE9", 1},
        {std::string("\xFF\xFE[\0\n\0\x2D\x4E", 8), 2},
        {std::string("\xFF\xFE[\0\x80\0", 6), 1},
        {std::string("\xFE\xFF\0[\0\n\x4E\x2D", 8), 2},
    };
    for (const auto &[bytes, line] : rows) {
        SCOPED_TRACE(line);
        Checked observation = Sound();
        observation.descriptor.bytes = bytes;
        Finish(observation);
        const std::vector<Finding> findings =
            CollectFindings(observation, Predict(observation, observation.records));
        auto found = std::find_if(findings.begin(), findings.end(), [](const Finding &finding) {
            return finding.rule == RuleId::NotAscii;
        });
        EXPECT_EQ(line, found == findings.end() ? 0 : found->subject.line) << bytes;
    }
}

} // namespace
