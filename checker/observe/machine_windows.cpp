// Windows: the machine the checker runs on, which the loader's own readers read as they are.
#include "machine.h"

#include <windows.h>

#include <fstream>

Machine PrepareMachine(const Machine & /*described*/) {
    Machine machine;
    BOOL wow64 = FALSE;
    machine.bits =
        sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) ? 64 : 32;
    machine.codePage = GetACP();
    char directory[MAX_PATH] = {0};
    const DWORD length = GetTempPathA(sizeof(directory), directory);
    machine.tempDirectory = length > 0 && length < sizeof(directory)
                                ? std::string(directory, length - (directory[length - 1] == '\\'))
                                : "";
    return machine;
}

void ShowToMachine(const std::string & /*path*/, const std::string & /*bytes*/) {}

std::string WriteScratchCopy(const std::string &bytes) {
    char directory[MAX_PATH] = {0};
    char copy[MAX_PATH] = {0};
    if (GetTempPathA(sizeof(directory), directory) == 0 ||
        GetTempFileNameA(directory, "mck", 0, copy) == 0) {
        return "";
    }
    std::ofstream out(copy, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return copy;
}

void RemoveScratchCopy(const std::string &path) {
    DeleteFileA(path.c_str());
}

std::string CheckerDirectory() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, sizeof(path));
    return std::string(path).substr(0, std::string(path).find_last_of('\\'));
}
