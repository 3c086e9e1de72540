// The package the Wine suite gives the loader to launch. It stands in for a runtime installer:
// it appends to a log where it runs from, its working directory and when it started and ended,
// can sleep, and can record a version in the registry as a real installer would. It is configured
// through the environment, which the loader's process passes on to it:
//   PROBE_LOG      Windows path of the log to append to (required)
//   PROBE_SLEEP_MS how long to run
//   PROBE_REGPATH  with PROBE_VERSION: write HKLM\Software\<PROBE_REGPATH> value Version
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static unsigned long long UnixMilliseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return (ticks.QuadPart - 116444736000000000ULL) / 10000ULL;
}

static void Append(const char *logPath, const char *line) {
    HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(log, line, lstrlenA(line), &written, NULL);
    CloseHandle(log);
}

static void RecordVersion(const char *regPath, const char *version) {
    char subKey[600];
    snprintf(subKey, sizeof(subKey), "Software\\%s", regPath);
    HKEY key = NULL;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version),
                       lstrlenA(version) + 1);
        RegCloseKey(key);
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    unsigned long long started = UnixMilliseconds();
    char logPath[MAX_PATH] = {0};
    if (GetEnvironmentVariableA("PROBE_LOG", logPath, sizeof(logPath)) == 0) {
        return 3;
    }
    char module[1024] = {0};
    char directory[1024] = {0};
    GetModuleFileNameA(NULL, module, sizeof(module));
    GetCurrentDirectoryA(sizeof(directory), directory);

    char line[2600];
    snprintf(line, sizeof(line), "started %llu pid %lu module %s cwd %s\r\n", started,
             GetCurrentProcessId(), module, directory);
    Append(logPath, line);

    char text[600] = {0};
    if (GetEnvironmentVariableA("PROBE_SLEEP_MS", text, sizeof(text)) > 0) {
        Sleep(static_cast<DWORD>(atol(text)));
    }
    char version[600] = {0};
    if (GetEnvironmentVariableA("PROBE_REGPATH", text, sizeof(text)) > 0 &&
        GetEnvironmentVariableA("PROBE_VERSION", version, sizeof(version)) > 0) {
        RecordVersion(text, version);
    }
    snprintf(line, sizeof(line), "ended %llu pid %lu\r\n", UnixMilliseconds(),
             GetCurrentProcessId());
    Append(logPath, line);
    return 0;
}
