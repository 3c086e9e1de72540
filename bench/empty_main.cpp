// The floor the loader is measured against: an empty program built with the same toolchain,
// flags and resources.
#include <windows.h>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    return 0;
}
