// A medium in the simulated world: the loader in C:\Medium beside its autorun.inf and package.
#pragma once

#include <winsim.h>

#include <string>

namespace medium {

inline const char kGuard[] = "9656B2A6-167D-4c65-8B03-E4E32C9E18A2";
inline const char kRegPath[] = "Maker\\Runtime";
inline const char kKey[] = "Software\\Maker\\Runtime";

inline std::string Descriptor(const std::string &package, const std::string &regPath,
                              const std::string &version) {
    return "[autorun]\r\nopen=loader.exe\r\nRuntimePackage=" + package + "\r\nRegPath=" + regPath +
           "\r\nVersion=" + version + "\r\n";
}

// A file in UTF-16 LE with its mark.
inline std::string Utf16(const std::u16string &text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Characters whose trail byte is 0x5C, the backslash: katakana "so" in code page 932 and U+4E57
// in code page 936.
inline const std::string kSo932 = "\x83\x5C";
inline const std::string kJou936 = "\x81\x5C";

// A fresh world with the loader, a descriptor naming setup.exe at version 2.1.0.5, and the
// package beside it, in the given ANSI code page. Nothing is installed.
inline void LayOut(const std::string &package = "setup.exe", const std::string &version = "2.1.0.5",
                   UINT codePage = 1252) {
    winsim::Reset();
    winsim::SetCodePage(codePage);
    winsim::AddFile("C:\\Medium\\loader.exe", "loader");
    winsim::AddFile("C:\\Medium\\autorun.inf", Descriptor(package, kRegPath, version));
    winsim::AddFile("C:\\Medium\\" + package, "package");
}

// The anti-AutoRun setting of many organisations' images: the profile functions read every
// autorun.inf from a registry key that does not exist, so they find nothing in any.
inline void Harden() {
    winsim::SetTextValue(
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf", "",
        "@SYS:DoesNotExist");
}

// Starts the loader as a new process and lets the process end. Returns the exit code.
inline int RunLoader() {
    int code = WinMain(nullptr, nullptr, const_cast<char *>(""), SW_SHOWDEFAULT);
    winsim::EndProcess();
    return code;
}

} // namespace medium
