// Shell path utilities, for the host build (the platform side of the comparisons).
#pragma once

#include <windows.h>

extern "C" BOOL WINAPI PathRemoveFileSpecA(LPSTR path);
