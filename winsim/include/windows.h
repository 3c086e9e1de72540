// The part of the Win32 API the loader uses, for the host build. Types keep their Windows widths
// (DWORD and LONG are 32-bit here too), so code that compiles against this compiles for Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#define WINAPI
#define WINAPIV

typedef int BOOL;
typedef BOOL *LPBOOL;
typedef unsigned char BYTE;
typedef BYTE *LPBYTE;
typedef int32_t LONG;
typedef uint32_t DWORD;
typedef DWORD *LPDWORD;
typedef unsigned int UINT;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef char16_t WCHAR; // UTF-16, as on Windows
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef void *LPVOID;
typedef void *HANDLE;
typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef struct HKEY__ *HKEY;
typedef HKEY *PHKEY;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HWND__ *HWND;
typedef struct _SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;
typedef intptr_t(WINAPI *FARPROC)();

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_FAILED 0xFFFFFFFFu

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define OPEN_EXISTING 3u
#define PAGE_READONLY 0x02u
#define FILE_MAP_READ 0x0004u
#define INVALID_FILE_SIZE 0xFFFFFFFFu

#define CP_ACP 0u
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
#define CP_UTF8 65001u
#define WC_NO_BEST_FIT_CHARS 0x400u

#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x200u
#define LOAD_LIBRARY_SEARCH_USER_DIRS 0x400u
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x800u
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x1000u

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x1u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_FILE_EXISTS 80L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_FILE_INVALID 1006L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_DIRECTORY 267L
#define ERROR_NO_ASSOCIATION 1155L
#define ERROR_CANCELLED 1223L
#define ERROR_ACCESS_DISABLED_BY_POLICY 1260L

#define SW_SHOW 5
#define SW_SHOWDEFAULT 10

#define KEY_QUERY_VALUE 0x0001
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

#define ZeroMemory(destination, length) memset((destination), 0, (length))

extern "C" {

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
DWORD WINAPI GetLastError(void);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetTickCount(void);
BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL WINAPI RemoveDirectoryA(LPCSTR pathName);
BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
BOOL WINAPI DeleteFileA(LPCSTR fileName);
DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes);
HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                          HANDLE templateFile);
DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
HANDLE WINAPI CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protection,
                                 DWORD sizeHigh, DWORD sizeLow, LPCSTR name);
LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                            size_t size);
BOOL WINAPI UnmapViewOfFile(const void *view);
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
void WINAPI Sleep(DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE handle);

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText,
                                      LPSTR returned, DWORD size, LPCSTR fileName);
DWORD WINAPI GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size, LPCSTR fileName);

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                LPBYTE data, LPDWORD dataSize);
LSTATUS WINAPI RegCloseKey(HKEY key);

UINT WINAPI GetACP(void);
BOOL WINAPI IsDBCSLeadByte(BYTE character);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length,
                               LPSTR multiByte, int size, LPCSTR defaultCharacter,
                               LPBOOL usedDefaultCharacter);
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int length,
                               LPWSTR wide, int size);
int WINAPI CompareStringOrdinal(LPCWSTR first, int firstLength, LPCWSTR second, int secondLength,
                                BOOL ignoreCase);
int WINAPI lstrlenA(LPCSTR text);
LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source);
int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
}
