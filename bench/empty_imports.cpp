// The second floor: the empty program importing the same system libraries as the loader, each
// touched once. Under Wine, loading ADVAPI32 is a sizeable part of a start, and the loader needs it
// for the registry, so this floor separates what the loader's own work costs from what its
// imports cost.
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    GetLastError();
    RegCloseKey(nullptr);
    return 0;
}
