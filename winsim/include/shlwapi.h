// Shell path utilities, for the host build.
#pragma once

#include <windows.h>

extern "C" {
BOOL WINAPI PathRemoveFileSpecA(LPSTR path);
BOOL WINAPI PathFileExistsA(LPCSTR path);
}
