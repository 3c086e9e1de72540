// The package the Wine suite gives the loader to launch. It stands in for a runtime installer:
// it appends to a log where it runs from, its working directory, its ANSI code page, the names
// in its own directory and when it started and ended,
// can sleep, and can record a version in the registry as a real installer would. It is configured
// through the environment, which the loader's process passes on to it:
//   PROBE_LOG      Windows path of the log to append to (required)
//   PROBE_SLEEP_MS how long to run
//   PROBE_REGPATH  with PROBE_VERSION: write HKLM\Software\<PROBE_REGPATH> value Version, in the
//                  program's own registry view unless PROBE_VIEW is 32 or 64
// Names are read and logged through the wide interface, the log in UTF-8, so that paths in any
// ANSI code page arrive whole.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static unsigned long long UnixMilliseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return (ticks.QuadPart - 116444736000000000ULL) / 10000ULL;
}

static void Append(const wchar_t *logPath, const wchar_t *line) {
    char utf8[8192] = {0};
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof(utf8), NULL, NULL) - 1;
    HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE || length <= 0) {
        return;
    }
    DWORD written = 0;
    WriteFile(log, utf8, static_cast<DWORD>(length), &written, NULL);
    CloseHandle(log);
}

static void RecordVersion(const wchar_t *regPath, const wchar_t *version, const wchar_t *view) {
    wchar_t subKey[600];
    swprintf(subKey, 600, L"Software\\%ls", regPath);
    REGSAM access = KEY_SET_VALUE;
    if (wcscmp(view, L"32") == 0) {
        access |= KEY_WOW64_32KEY;
    } else if (wcscmp(view, L"64") == 0) {
        access |= KEY_WOW64_64KEY;
    }
    HKEY key = NULL;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, NULL, 0, access, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                       static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

// "beside PID NAME|NAME|...": every name in the directory the program runs from, itself included,
// as an installer loading a DLL by name would find them there.
static void ListOwnDirectory(const wchar_t *logPath, const wchar_t *module) {
    wchar_t pattern[1100];
    swprintf(pattern, 1100, L"%ls", module);
    wchar_t *slash = wcsrchr(pattern, L'\\');
    if (slash == NULL) {
        return;
    }
    wcscpy(slash + 1, L"*");
    wchar_t line[2048];
    swprintf(line, 2048, L"beside %lu ", GetCurrentProcessId());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    const wchar_t *separator = L"";
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0 &&
            wcslen(line) + wcslen(found.cFileName) + 4 < 2048) {
            wcscat(line, separator);
            wcscat(line, found.cFileName);
            separator = L"|";
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    wcscat(line, L"\r\n");
    Append(logPath, line);
}

static int Variable(const wchar_t *name, wchar_t *value, DWORD size) {
    return GetEnvironmentVariableW(name, value, size) > 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    unsigned long long started = UnixMilliseconds();
    wchar_t logPath[1024] = {0};
    if (!Variable(L"PROBE_LOG", logPath, 1024)) {
        return 3;
    }
    wchar_t module[1024] = {0};
    wchar_t directory[1024] = {0};
    GetModuleFileNameW(NULL, module, 1024);
    GetCurrentDirectoryW(1024, directory);

    wchar_t line[2600];
    swprintf(line, 2600, L"started %llu pid %lu acp %u module %ls cwd %ls\r\n", started,
             GetCurrentProcessId(), GetACP(), module, directory);
    Append(logPath, line);
    ListOwnDirectory(logPath, module);

    wchar_t text[600] = {0};
    if (Variable(L"PROBE_SLEEP_MS", text, 600)) {
        Sleep(static_cast<DWORD>(_wtol(text)));
    }
    wchar_t version[600] = {0};
    wchar_t view[8] = {0};
    Variable(L"PROBE_VIEW", view, 8);
    if (Variable(L"PROBE_REGPATH", text, 600) && Variable(L"PROBE_VERSION", version, 600)) {
        RecordVersion(text, version, view);
    }
    swprintf(line, 2600, L"ended %llu pid %lu\r\n", UnixMilliseconds(), GetCurrentProcessId());
    Append(logPath, line);
    return 0;
}
