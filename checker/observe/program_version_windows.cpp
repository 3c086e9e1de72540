// Windows: a program's version through GetFileVersionInfoA and VerQueryValueA, as Explorer reads
// it.
#include "program_version.h"

#include <windows.h>

#include <vector>

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
                        ProgramImage *program) {
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
    program->hasVersion = true;
    program->fixedFileVersion = Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    program->fixedProductVersion = Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    WORD *translation = NULL;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void **>(&translation), &length) ||
        translation == NULL || length < 4) {
        return;
    }
    char table[9] = {0};
    wsprintfA(table, "%04x%04x", translation[0], translation[1]);
    program->fileVersion = StringValue(info, table, "FileVersion");
    program->productVersion = StringValue(info, table, "ProductVersion");
}
