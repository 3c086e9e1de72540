// A package read as what its name says: an MSI's tables through this build's database reader, a
// program through the bounded image reader and this build's version reader.
#include "package.h"
#include "package_readers.h"
#include "program_image.h"

#include "../model/ascii.h"

#include <map>
#include <utility>

namespace {

const int kComponent64bit = 0x100;

// The properties, the summary's platform, the Registry rows with their components' 64-bit
// attribute and condition, and the custom actions' names.
MsiContents ReadMsi(MsiDatabase &database) {
    MsiContents msi;
    const std::string templateText = database.Template();
    msi.platform = templateText.substr(0, templateText.find(';'));
    database.EachRow("SELECT `Property`, `Value` FROM `Property`",
                     [&](const MsiRow &row) { msi.properties[row.Text(1)] = row.Text(2); });
    std::map<std::string, std::pair<bool, std::string>> components;
    database.EachRow(
        "SELECT `Component`, `Attributes`, `Condition` FROM `Component`", [&](const MsiRow &row) {
            components[row.Text(1)] = {(row.Integer(2) & kComponent64bit) != 0, row.Text(3)};
        });
    database.EachRow(
        "SELECT `Registry`, `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`",
        [&](const MsiRow &row) {
            RegistryRow entry{row.Text(1), row.Integer(2), row.Text(3), row.Text(4),
                              row.Text(5), false,          ""};
            auto component = components.find(row.Text(6));
            if (component != components.end()) {
                entry.win64 = component->second.first;
                entry.condition = component->second.second;
            }
            msi.registry.push_back(entry);
        });
    database.EachRow("SELECT `Action` FROM `CustomAction`",
                     [&](const MsiRow &row) { msi.customActions.push_back(row.Text(1)); });
    return msi;
}

} // namespace

PackageType TypeOfPackage(const std::string &name) {
    const size_t dot = name.find_last_of(".\\/");
    const std::string extension =
        dot == std::string::npos || name[dot] != '.' ? "" : AsciiLower(name.substr(dot));
    return extension == ".msi"   ? PackageType::Msi
           : extension == ".exe" ? PackageType::Exe
                                 : PackageType::Other;
}

PackageFile ReadPackage(const std::string &file, PackageType type) {
    PackageFile package;
    package.type = type;
    if (type == PackageType::Msi) {
        if (std::unique_ptr<MsiDatabase> database = OpenMsi(file)) {
            package.msi = ReadMsi(*database);
            package.readable = true;
        }
    } else if (type == PackageType::Exe) {
        ExeContents exe;
        std::string resource;
        ReadProgramImage(file, &exe, &resource);
        if (exe.state == ProgramState::Program) {
            ReadProgramVersion(file, resource, &exe);
        }
        package.readable = exe.state == ProgramState::Program;
        package.exe = exe;
    }
    return package;
}
