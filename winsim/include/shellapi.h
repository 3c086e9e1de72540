// Shell launch, for the host build.
#pragma once

#include <windows.h>

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

typedef struct _SHELLEXECUTEINFOA {
    DWORD cbSize;
    UINT fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void *lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    union {
        HANDLE hIcon;
        HANDLE hMonitor;
    };
    HANDLE hProcess;
} SHELLEXECUTEINFOA, *LPSHELLEXECUTEINFOA;

extern "C" BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA *info);
