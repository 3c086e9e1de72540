// Windows: an MSI through msi.dll, a program's version through GetFileVersionInfoA and
// VerQueryValueA, as Windows Installer and Explorer read them.
#include "package.h"
#include "program_image.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <functional>
#include <vector>

namespace {

const int kComponent64bit = 0x100;
const UINT kTemplate = 7;

// The rows of a query, each handed over as a record; a table the package lacks gives none.
void EachRow(MSIHANDLE database, const char *sql, const std::function<void(MSIHANDLE)> &take) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(database, sql, &view) != ERROR_SUCCESS) {
        return;
    }
    if (MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            take(record);
            MsiCloseHandle(record);
        }
    }
    MsiViewClose(view);
    MsiCloseHandle(view);
}

std::string Text(MSIHANDLE record, UINT field) {
    DWORD size = 0;
    char empty[1] = {0};
    if (MsiRecordGetStringA(record, field, empty, &size) != ERROR_MORE_DATA) {
        return "";
    }
    std::vector<char> text(size + 1, '\0');
    size += 1;
    MsiRecordGetStringA(record, field, text.data(), &size);
    return text.data();
}

int Integer(MSIHANDLE record, UINT field) {
    int value = MsiRecordGetInteger(record, field);
    return value == static_cast<int>(MSI_NULL_INTEGER) ? 0 : value;
}

std::string Platform(MSIHANDLE database) {
    MSIHANDLE summary = 0;
    if (MsiGetSummaryInformationA(database, NULL, 0, &summary) != ERROR_SUCCESS) {
        return "";
    }
    char text[256] = {0};
    DWORD size = sizeof(text);
    UINT type = 0;
    INT number = 0;
    FILETIME time;
    if (MsiSummaryInfoGetPropertyA(summary, kTemplate, &type, &number, &time, text, &size) !=
        ERROR_SUCCESS) {
        text[0] = '\0';
    }
    // A template longer than the buffer is cut; only its platform, before ';', is kept.
    text[sizeof(text) - 1] = '\0';
    MsiCloseHandle(summary);
    std::string templateText = text;
    return templateText.substr(0, templateText.find(';'));
}

} // namespace

bool ReadMsi(const std::string &file, MsiContents *msi) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(file.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) {
        return false;
    }
    msi->platform = Platform(database);
    EachRow(database, "SELECT `Property`, `Value` FROM `Property`",
            [&](MSIHANDLE row) { msi->properties[Text(row, 1)] = Text(row, 2); });
    std::map<std::string, std::pair<bool, std::string>> components;
    EachRow(database, "SELECT `Component`, `Attributes`, `Condition` FROM `Component`",
            [&](MSIHANDLE row) {
                components[Text(row, 1)] = {(Integer(row, 2) & kComponent64bit) != 0, Text(row, 3)};
            });
    EachRow(
        database, "SELECT `Registry`, `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`",
        [&](MSIHANDLE row) {
            RegistryRow entry{
                Text(row, 1), Integer(row, 2), Text(row, 3), Text(row, 4), Text(row, 5), false, ""};
            auto component = components.find(Text(row, 6));
            if (component != components.end()) {
                entry.win64 = component->second.first;
                entry.condition = component->second.second;
            }
            msi->registry.push_back(entry);
        });
    EachRow(database, "SELECT `Action` FROM `CustomAction`",
            [&](MSIHANDLE row) { msi->customActions.push_back(Text(row, 1)); });
    MsiCloseHandle(database);
    return true;
}

namespace {

std::string Dotted(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
           std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

std::string StringValue(std::vector<char> &info, const std::string &table, const char *name) {
    char *text = NULL;
    UINT length = 0;
    std::string path = "\\StringFileInfo\\" + table + "\\" + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void **>(&text), &length) ||
        text == NULL) {
        return "";
    }
    return std::string(text, strnlen(text, length));
}

} // namespace

void ReadProgramVersion(const std::string &file, const std::string & /*resource*/,
                        ExeContents *exe) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, info.data())) {
        return;
    }
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void **>(&fixed), &length) ||
        fixed == NULL || length < sizeof(VS_FIXEDFILEINFO)) {
        return;
    }
    exe->hasVersion = true;
    exe->fixedFileVersion = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    exe->fixedProductVersion = Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    WORD *translation = NULL;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void **>(&translation), &length) ||
        translation == NULL || length < 4) {
        return;
    }
    char table[9] = {0};
    wsprintfA(table, "%04x%04x", translation[0], translation[1]);
    exe->fileVersion = StringValue(info, table, "FileVersion");
    exe->productVersion = StringValue(info, table, "ProductVersion");
}
