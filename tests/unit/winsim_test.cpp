// The simulated Windows against the platform's documented and observed behaviour, where the
// loader relies on it: the ini reader, registry reads, formatting, path removal, read-only files,
// directories, conversions and the module path, DLL search, launch policies and mutexes.
#include "loader.h"
#include "medium.h"
#include "paths.h"

#include <winsim.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct ProfileCase {
    const char *label;
    std::string file;
    const char *key;
    DWORD size;
    const char *expected;
    UINT codePage = 1252;
};

using medium::Utf16;

TEST(SimulatedProfileReader, Table) {
    const ProfileCase cases[] = {
        {"plain", "[autorun]\nk=v\n", "k", 260, "v"},
        {"names in any case", "[AUTORUN]\nKEY=v\n", "kEy", 260, "v"},
        {"spaces around the asked-for key", "[autorun]\nk=v\n", " k  ", 260, "v"},
        {"a tab before the asked-for key", "[autorun]\nk=v\n", "\tk", 260, "default"},
        {"blanks around names and values", " [ autorun ] \r\n\t k \t=  a b  \r\n", "k", 260, "a b"},
        {"double quotes", "[autorun]\nk=\"a b\"\n", "k", 260, "a b"},
        {"single quotes", "[autorun]\nk='a'\n", "k", 260, "a"},
        {"mismatched quotes stay", "[autorun]\nk='a\"\n", "k", 260, "'a\""},
        {"a lone quote stays", "[autorun]\nk=\"\n", "k", 260, "\""},
        {"inner quotes stay", "[autorun]\nk=a \"b\"\n", "k", 260, "a \"b\""},
        {"comment line", "[autorun]\n;k=hidden\n", "k", 260, "default"},
        {"semicolon inside a value", "[autorun]\nk=a ; b\n", "k", 260, "a ; b"},
        {"first duplicate wins", "[autorun]\nk=first\nk=second\n", "k", 260, "first"},
        {"key without equals", "[autorun]\nk\n", "k", 260, "default"},
        {"empty value", "[autorun]\nk=\n", "k", 260, ""},
        {"other section", "[other]\nk=v\n", "k", 260, "default"},
        {"key before any section", "k=v\n[autorun]\n", "k", 260, "default"},
        {"only the first section of a name", "[autorun]\na=1\n[autorun]\nk=v\n", "k", 260,
         "default"},
        {"bracket line without closing is a key", "[autorun]\n[k=v\n", "[k", 260, "v"},
        {"lines end at CR too", "[autorun]\rk=v\r", "k", 260, "v"},
        {"cut to size - 1", "[autorun]\nk=abcdef\n", "k", 4, "abc"},
        {"a value of 65537 characters", "[autorun]\nk=" + std::string(65537, 'x') + "\n", "k", 260,
         "x"},
        {"quoted, fits", "[autorun]\nk=\"abc\"\n", "k", 5, "abc"},
        {"quoted, only the closing quote cut", "[autorun]\nk=\"abc\"\n", "k", 4, "ab"},
        {"quoted, cut", "[autorun]\nk=\"abcdef\"\n", "k", 4, "abc"},
        {"size 1", "[autorun]\nk=abcdef\n", "k", 1, ""},
        {"a value ends at a zero byte", std::string("[autorun]\nk=ab\0cd\n", 18), "k", 260, "ab"},
        {"UTF-8 mark before the header", "\xEF\xBB\xBF[autorun]\nk=v\n", "k", 260, "default"},
        {"UTF-8 mark, header on line 2: bytes unconverted", "\xEF\xBB\xBF\n[autorun]\nk=\xC3\xA9\n",
         "k", 260, "\xC3\xA9"},
        {"UTF-16 BE mark, then ANSI", "\xFE\xFF\n[autorun]\nk=v\n", "k", 260, "v"},
        // In UTF-16: a character the code page holds, one it best-fits, one it has no fit for.
        {"UTF-16 LE in 1252", Utf16(u"[autorun]\nk=\u00e9\u0100\u4e57\n"), "k", 260, "\xE9\x41?"},
        {"UTF-16 LE in 932", Utf16(u"[autorun]\nk=\u30bd\u00e9\u0e01\n"), "k", 260, "\x83\x5C\x65?",
         932},
        {"UTF-16 LE in 936", Utf16(u"[autorun]\nk=\u4e57\u0100\u0e01\n"), "k", 260,
         "\x81\x5C\xA8\xA1?", 936},
    };
    for (const ProfileCase &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        winsim::SetCodePage(row.codePage);
        winsim::AddFile("C:\\Medium\\autorun.inf", row.file);
        char buffer[300];
        memset(buffer, '#', sizeof(buffer));
        DWORD copied = GetPrivateProfileStringA("autorun", row.key, "default  ", buffer, row.size,
                                                "C:\\Medium\\autorun.inf");
        EXPECT_STREQ(row.expected, buffer);
        EXPECT_EQ(strlen(row.expected), copied);
        EXPECT_EQ('#', buffer[row.size]);
        // The loader's own reader of the file gives the same, with the default "", for the names
        // it reads (ASCII letters) and the sizes it gives (1 and more).
        if (std::all_of(row.key, row.key + strlen(row.key), isalpha) && row.size > 0) {
            const std::string expected = strcmp(row.expected, "default") == 0 ? "" : row.expected;
            memset(buffer, '#', sizeof(buffer));
            EXPECT_EQ(
                static_cast<int>(expected.size()),
                ReadIniFileValue("C:\\Medium\\autorun.inf", "autorun", row.key, buffer, row.size));
            EXPECT_EQ(expected, buffer);
            EXPECT_EQ('#', buffer[row.size]);
        }
    }
}

struct MappingCase {
    const char *label;
    void (*mapping)();
    const char *file; // where the file lies
    const char *expected;
};

const std::string kAutorunMapping =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf";

// A file the registry maps is read from the registry: the profile functions never read the file,
// wherever it lies, even when the registry holds nothing. The file's own reading is not affected.
TEST(SimulatedProfileReader, IniFileMapping) {
    const MappingCase cases[] = {
        {"no mapping", [] {}, "C:\\Medium\\autorun.inf", "v"},
        {"the anti-AutoRun mapping",
         [] { winsim::SetTextValue(kAutorunMapping, "", "@SYS:DoesNotExist"); },
         "C:\\Medium\\autorun.inf", "default"},
        {"wherever the file lies, by its name in any case",
         [] { winsim::SetTextValue(kAutorunMapping, "", "@SYS:DoesNotExist"); }, "E:\\AUTORUN.INF",
         "default"},
        {"another file's name",
         [] { winsim::SetTextValue(kAutorunMapping, "", "@SYS:DoesNotExist"); },
         "C:\\Medium\\setup.inf", "v"},
        {"the file's sections under a key",
         [] {
             winsim::SetTextValue(kAutorunMapping, "", "SYS:Mapped");
             winsim::SetTextValue("Software\\Mapped\\autorun", "k", "from the registry");
         },
         "C:\\Medium\\autorun.inf", "from the registry"},
        {"the section named: its keys under a key",
         [] {
             winsim::SetTextValue(kAutorunMapping, "autorun", "#SYS:Mapped");
             winsim::SetTextValue("Software\\Mapped", "k", "from the registry");
         },
         "C:\\Medium\\autorun.inf", "from the registry"},
        {"another section named: this one read from the file",
         [] { winsim::SetTextValue(kAutorunMapping, "other", "SYS:Mapped"); },
         "C:\\Medium\\autorun.inf", "v"},
        {"a sub-key for the section, the key named",
         [] {
             winsim::SetTextValue(kAutorunMapping + "\\autorun", "k", "SYS:PerKey");
             winsim::SetTextValue(kAutorunMapping + "\\autorun", "", "SYS:Others");
             winsim::SetTextValue("Software\\PerKey", "k", "per kAutorunMapping");
         },
         "C:\\Medium\\autorun.inf", "per kAutorunMapping"},
        {"a sub-key for the section, its default",
         [] {
             winsim::SetTextValue(kAutorunMapping + "\\autorun", "", "SYS:Others");
             winsim::SetTextValue("Software\\Others", "k", "default place");
         },
         "C:\\Medium\\autorun.inf", "default place"},
        {"a user's key, which this world does not hold",
         [] { winsim::SetTextValue(kAutorunMapping, "", "USR:Mapped"); }, "C:\\Medium\\autorun.inf",
         "default"},
        {"a value that is no text",
         [] {
             winsim::SetTextValue(kAutorunMapping, "autorun", "SYS:Mapped");
             winsim::SetValue("Software\\Mapped", "k", REG_DWORD, std::string("\1\0\0\0", 4));
         },
         "C:\\Medium\\autorun.inf", "default"},
    };
    for (const MappingCase &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        row.mapping();
        winsim::AddFile(row.file, "[autorun]\nk=v\n");
        char buffer[32];
        EXPECT_EQ(strlen(row.expected), GetPrivateProfileStringA("autorun", "k", "default", buffer,
                                                                 sizeof(buffer), row.file));
        EXPECT_STREQ(row.expected, buffer);
        EXPECT_EQ(1, ReadIniFileValue(row.file, "autorun", "k", buffer, sizeof(buffer)));
        EXPECT_STREQ("v", buffer);
    }
}

// The sections a mapped file lists: those its mapping names, then those of the key a whole-file
// mapping names; the file's own only where nothing maps the whole file.
TEST(SimulatedProfileReader, SectionNamesOfAMappedFile) {
    const std::string &key = kAutorunMapping;
    const struct {
        const char *label;
        std::string wholeFile;
        std::string expected;
    } cases[] = {
        {"sections mapped one by one", "", "named\0sub\0autorun\0other\0"s},
        {"the whole file mapped", "@SYS:Mapped", "named\0sub\0kept\0"s},
        {"the anti-AutoRun mapping", "@SYS:DoesNotExist", "named\0sub\0"s},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        winsim::SetTextValue(key, "named", "SYS:Named");
        winsim::AddKey(key + "\\sub");
        if (!row.wholeFile.empty()) {
            winsim::SetTextValue(key, "", row.wholeFile);
        }
        winsim::AddKey("Software\\Mapped\\kept");
        winsim::AddFile("C:\\Medium\\autorun.inf", "[autorun]\nk=v\n[other]\n");
        char names[64];
        DWORD length =
            GetPrivateProfileSectionNamesA(names, sizeof(names), "C:\\Medium\\autorun.inf");
        EXPECT_EQ(row.expected, std::string(names, length));
        EXPECT_EQ(1, HasIniFileSection("C:\\Medium\\autorun.inf", "autorun"));
    }
}

// UTF-16 to the ANSI code page, with and without best fit.
TEST(SimulatedConversion, WideCharToMultiByte) {
    const struct {
        const char *label;
        std::u16string text;
        DWORD flags;
        UINT codePage;
        std::string expected;
        BOOL usedDefault;
    } cases[] = {
        {"held by 1252", u"C:\\\u00e9", 0, 1252, "C:\\\xE9", FALSE},
        {"best fit", u"\u0100\u221e", 0, 1252, "A8", FALSE},
        {"best fit refused", u"\u0100\u221e", WC_NO_BEST_FIT_CHARS, 1252, "??", TRUE},
        {"no fit at all", u"\u0e17", 0, 1252, "?", TRUE},
        {"a surrogate pair, a unit at a time", u"\U0001F600", 0, 1252, "??", TRUE},
        {"held by 932", u"\u30bd", WC_NO_BEST_FIT_CHARS, 932, "\x83\x5C", FALSE},
        {"best fit in 936", u"\u0100", 0, 936, "\xA8\xA1", FALSE},
        {"best fit refused in 936", u"\u0100", WC_NO_BEST_FIT_CHARS, 936, "?", TRUE},
        // A Polish name on a Western machine: Wine 8 gives the same from GetModuleFileNameA.
        {"a Polish name best-fitted", u"\u0141\u00f3d\u017a", 0, 1252,
         "L\xF3"
         "dz",
         FALSE},
        {"a Polish name, best fit refused", u"\u0141\u00f3d\u017a", WC_NO_BEST_FIT_CHARS, 1252,
         "?\xF3"
         "d?",
         TRUE},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        winsim::SetCodePage(row.codePage);
        char buffer[16];
        memset(buffer, '#', sizeof(buffer));
        BOOL usedDefault = -1;
        const LPCWSTR text = reinterpret_cast<LPCWSTR>(row.text.c_str());
        EXPECT_EQ(static_cast<int>(row.expected.size()),
                  WideCharToMultiByte(CP_ACP, row.flags, text, static_cast<int>(row.text.size()),
                                      buffer, sizeof(buffer), nullptr, &usedDefault));
        EXPECT_EQ(row.expected, std::string(buffer, row.expected.size()));
        EXPECT_EQ('#', buffer[row.expected.size()]);
        EXPECT_EQ(row.usedDefault, usedDefault);
        // A terminated text comes with its terminator; a buffer too small gives nothing.
        EXPECT_EQ(static_cast<int>(row.expected.size()) + 1,
                  WideCharToMultiByte(CP_ACP, row.flags, text, -1, buffer, sizeof(buffer), nullptr,
                                      nullptr));
        EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, row.flags, text, -1, buffer,
                                         static_cast<int>(row.expected.size()), nullptr, nullptr));
    }
}

// Where the ANSI code page is UTF-8 every character converts, and the conversion takes neither a
// default character's report nor a flag (Wine's dlls/kernel32/tests/codepage.c,
// test_other_invalid_parameters, which runs on Windows too).
TEST(SimulatedConversion, Utf8CodePage) {
    const struct {
        const char *label;
        DWORD flags;
        bool asksUsedDefault;
        int result;
        DWORD error;
    } cases[] = {
        {"plain", 0, false, 11, 0},
        {"lpUsedDefaultChar", 0, true, 0, ERROR_INVALID_PARAMETER},
        {"lpUsedDefaultChar and a flag", WC_NO_BEST_FIT_CHARS, true, 0, ERROR_INVALID_PARAMETER},
        {"a flag", WC_NO_BEST_FIT_CHARS, false, 0, ERROR_INVALID_FLAGS},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        winsim::SetCodePage(CP_UTF8);
        const std::u16string text = u"\u0141\u00f3d\u017a\U0001F600";
        char buffer[16] = {0};
        BOOL usedDefault = -1;
        EXPECT_EQ(row.result,
                  WideCharToMultiByte(CP_ACP, row.flags, reinterpret_cast<LPCWSTR>(text.c_str()),
                                      static_cast<int>(text.size()), buffer, sizeof(buffer),
                                      nullptr, row.asksUsedDefault ? &usedDefault : nullptr));
        if (row.result > 0) {
            EXPECT_EQ("\xC5\x81\xC3\xB3"
                      "d\xC5\xBA\xF0\x9F\x98\x80",
                      std::string(buffer));
        } else {
            EXPECT_EQ(row.error, GetLastError());
            EXPECT_EQ(-1, usedDefault);
        }
    }
}

// The module path in both forms: one set in UTF-16 comes to the A call converted with best fit,
// one set in the ANSI code page comes to the W call converted from it.
TEST(SimulatedModulePath, BothForms) {
    const struct {
        const char *label;
        UINT codePage;
        std::u16string wide;
        std::string ansi;
    } cases[] = {
        {"ASCII", 1252, u"C:\\Medium\\loader.exe", "C:\\Medium\\loader.exe"},
        {"held by 1252", 1252, u"C:\\\u00e9\\loader.exe", "C:\\\xE9\\loader.exe"},
        {"a trail byte of 0x5C in 932", 932, u"C:\\M\u30bd\\loader.exe",
         "C:\\M" + medium::kSo932 + "\\loader.exe"},
        {"a trail byte of 0x5C in 936", 936, u"C:\\\u4e57\\loader.exe",
         "C:\\" + medium::kJou936 + "\\loader.exe"},
        {"UTF-8", CP_UTF8, u"C:\\\u0141\u00f3d\u017a\\loader.exe",
         "C:\\\xC5\x81\xC3\xB3"
         "d\xC5\xBA\\loader.exe"},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        winsim::SetCodePage(row.codePage);
        winsim::SetModulePath(row.ansi);
        WCHAR wide[64] = {0};
        EXPECT_EQ(row.wide.size(), GetModuleFileNameW(nullptr, wide, 64));
        EXPECT_EQ(row.wide, std::u16string(wide));
        winsim::SetUnicodeModulePath(row.wide);
        char ansi[64] = {0};
        EXPECT_EQ(row.ansi.size(), GetModuleFileNameA(nullptr, ansi, sizeof(ansi)));
        EXPECT_EQ(row.ansi, ansi);
    }
    // A best-fitted letter names another folder: "C:\Lodz" with its Polish letters in 1252.
    winsim::Reset();
    winsim::SetUnicodeModulePath(u"C:\\\u0141\u00f3d\u017a\\loader.exe");
    char ansi[64] = {0};
    GetModuleFileNameA(nullptr, ansi, sizeof(ansi));
    EXPECT_STREQ("C:\\L\xF3"
                 "dz\\loader.exe",
                 ansi);
}

// CreateDirectoryA makes a new directory whose parent exists, and RemoveDirectoryA removes only an
// empty one (Wine's dlls/kernel32/tests/directory.c, test_CreateDirectoryA and
// test_RemoveDirectoryA, which run on Windows too).
TEST(SimulatedFiles, Directories) {
    const struct {
        const char *label;
        bool create; // else remove
        const char *path;
        DWORD error; // 0: it succeeds
    } cases[] = {
        {"a new directory", true, "C:\\Temp\\New", 0},
        {"a trailing dot is dropped", true, "C:\\Temp\\New.", ERROR_ALREADY_EXISTS},
        {"an existing directory, in any case", true, "c:\\temp\\NEW", ERROR_ALREADY_EXISTS},
        {"an existing file", true, "C:\\Temp\\file.txt", ERROR_ALREADY_EXISTS},
        {"a missing parent", true, "C:\\Gone\\New", ERROR_PATH_NOT_FOUND},
        {"below a file", true, "C:\\Temp\\file.txt\\New", ERROR_PATH_NOT_FOUND},
        {"an empty name", true, "", ERROR_PATH_NOT_FOUND},
        {"a directory holding a file", false, "C:\\Temp", ERROR_DIR_NOT_EMPTY},
        {"a directory holding a directory", false, "C:\\Temp\\Full", ERROR_DIR_NOT_EMPTY},
        {"a file", false, "C:\\Temp\\file.txt", ERROR_DIRECTORY},
        {"a missing directory", false, "C:\\Temp\\Gone", ERROR_FILE_NOT_FOUND},
        {"below a missing directory", false, "C:\\Gone\\Gone", ERROR_PATH_NOT_FOUND},
        {"the current directory", false, "C:\\Medium", ERROR_SHARING_VIOLATION},
        {"a drive's root", false, "C:\\", ERROR_ACCESS_DENIED},
        {"an empty directory", false, "C:\\Temp\\Full\\Empty", 0},
    };
    winsim::Reset();
    winsim::AddFile("C:\\Temp\\file.txt", "text");
    winsim::AddDirectory("C:\\Temp\\Full\\Empty");
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        auto before = winsim::Directories();
        BOOL result = row.create ? CreateDirectoryA(row.path, nullptr) : RemoveDirectoryA(row.path);
        EXPECT_EQ(row.error == 0, result != FALSE);
        if (row.error != 0) {
            EXPECT_EQ(row.error, GetLastError());
            EXPECT_EQ(before, winsim::Directories());
        }
    }
    EXPECT_EQ(
        std::vector<std::string>({"C:\\Medium", "C:\\Temp", "C:\\Temp\\Full", "C:\\Temp\\New"}),
        winsim::Directories());
    EXPECT_EQ(std::vector<std::string>({"Full", "New", "file.txt"}), winsim::NamesIn("C:\\Temp"));
}

// The process id and the tick count a test sets; the tick count goes on with the virtual clock.
TEST(SimulatedKernel, ProcessIdAndTickCount) {
    winsim::Reset();
    winsim::SetProcessId(0x4D2);
    winsim::SetTickCount(0xFFFFFF00u);
    EXPECT_EQ(0x4D2u, GetCurrentProcessId());
    EXPECT_EQ(0xFFFFFF00u, GetTickCount());
    Sleep(0x200);
    EXPECT_EQ(0x100u, GetTickCount()); // a DWORD wraps after 49.7 days
}

// SetDefaultDllDirectories takes the LOAD_LIBRARY_SEARCH_ flags, alone or together, where kernel32
// has it (Wine's dlls/kernel32/tests/module.c, test_SetDefaultDllDirectories); the flags in force
// when the shell is first loaded are kept.
TEST(SimulatedModules, SetDefaultDllDirectories) {
    const struct {
        DWORD flags;
        bool accepted;
    } cases[] = {
        {LOAD_LIBRARY_SEARCH_SYSTEM32, true},
        {LOAD_LIBRARY_SEARCH_DEFAULT_DIRS, true},
        {LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS, true},
        {0x100 | LOAD_LIBRARY_SEARCH_SYSTEM32, true}, // the DLL's own directory, with another
        {0x100, false},
        {0, false},
        {3, false},
        {LOAD_LIBRARY_SEARCH_APPLICATION_DIR | 0x8000, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.flags);
        winsim::Reset();
        EXPECT_EQ(row.accepted, SetDefaultDllDirectories(row.flags) != FALSE);
        if (!row.accepted) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        }
        LoadLibraryA("shell32.dll");
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
        EXPECT_EQ(row.accepted ? row.flags : 0, winsim::DllDirectoriesWhenShellLoaded());
    }
    winsim::Reset();
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_NE(nullptr, kernel);
    EXPECT_EQ(nullptr, GetModuleHandleA("shell32.dll")); // not loaded yet
    EXPECT_NE(nullptr, GetProcAddress(kernel, "SetDefaultDllDirectories"));
    winsim::LackSetDefaultDllDirectories();
    EXPECT_EQ(nullptr, GetProcAddress(kernel, "SetDefaultDllDirectories"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
}

// A path rule refuses programs below its folder with ERROR_ACCESS_DISABLED_BY_POLICY; other types
// start their associated program, which lies elsewhere. A launch lists what lies beside the file.
TEST(SimulatedShell, PathRulesAndWhatALaunchSees) {
    const struct {
        const char *file;
        bool refused;
    } cases[] = {
        {"C:\\Temp\\setup.exe", true},
        {"c:\\temp\\SETUP.EXE", true},
        {"C:\\Temp\\CL0A1B2C3D\\setup.com", true},
        {"C:\\Temp\\setup.msi", false},
        {"C:\\Temp2\\setup.exe", false},
        {"C:\\Medium\\setup.exe", false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.file);
        winsim::Reset();
        winsim::RefuseProgramsUnder("C:\\Temp");
        winsim::AddFile(row.file, "package");
        winsim::AddFile("C:\\Temp\\version.dll", "planted");
        SHELLEXECUTEINFOA launch;
        memset(&launch, 0, sizeof(launch));
        launch.cbSize = sizeof(launch);
        launch.fMask = SEE_MASK_NOCLOSEPROCESS;
        launch.lpFile = row.file;
        EXPECT_EQ(!row.refused, ShellExecuteExA(&launch) != FALSE);
        if (row.refused) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DISABLED_BY_POLICY), GetLastError());
            EXPECT_EQ(nullptr, launch.hProcess);
        }
        const std::string file = row.file;
        const std::string name = file.substr(file.rfind('\\') + 1);
        std::vector<std::string> beside = winsim::NamesIn(file.substr(0, file.rfind('\\')));
        EXPECT_EQ(beside, winsim::Launches().at(0).besideFile);
        EXPECT_NE(beside.end(), std::find(beside.begin(), beside.end(), name));
    }
}

// Bytes of a code page to UTF-16, in the ANSI code page or one named, and names compared as file
// systems compare them.
TEST(SimulatedConversion, MultiByteToWideCharAndOrdinalComparison) {
    const struct {
        const char *label;
        std::string bytes;
        UINT codePage; // CP_ACP: the ANSI code page, 1252 here
        std::u16string expected;
    } cases[] = {
        {"the ANSI code page",
         "s\xFC"
         "d",
         CP_ACP, u"s\u00fcd"},
        {"Central European",
         "\xA3\xF3"
         "d\x9F",
         1250, u"\u0141\u00f3d\u017a"},
        {"a trail byte of 0x5C in 932", "\x83\x5C", 932, u"\u30bd"},
        {"a lead byte without its trail in 932", "a\x83", 932, u"a\u30fb"},
        {"Korean", "\xB0\xA1", 949, u"\uac00"},
        {"Traditional Chinese", "\xA4\x40", 950, u"\u4e00"},
        {"Thai", "\xA1", 874, u"\u0e01"},
        {"UTF-8 read as 1252", "\xC3\xBC", 1252, u"\u00c3\u00bc"},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        WCHAR buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        EXPECT_EQ(static_cast<int>(row.expected.size()),
                  MultiByteToWideChar(row.codePage, 0, row.bytes.c_str(),
                                      static_cast<int>(row.bytes.size()), buffer, 8));
        EXPECT_EQ(row.expected, std::u16string(buffer, row.expected.size()));
        EXPECT_EQ(u'#', buffer[row.expected.size()]);
    }
    EXPECT_EQ(0, MultiByteToWideChar(437, 0, "a", 1, nullptr, 0)); // not an ANSI code page here

    const struct {
        std::u16string first;
        std::u16string second;
        int ignoringCase;
        int exactly;
    } comparisons[] = {
        {u"Setup.EXE", u"setup.exe", CSTR_EQUAL, CSTR_LESS_THAN},
        {u"\u00c4rger", u"\u00e4RGER", CSTR_EQUAL, CSTR_LESS_THAN},
        {u"stra\u00dfe", u"STRASSE", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
        {u"setup", u"setup.exe", CSTR_LESS_THAN, CSTR_LESS_THAN},
    };
    for (const auto &row : comparisons) {
        const LPCWSTR first = reinterpret_cast<LPCWSTR>(row.first.c_str());
        const LPCWSTR second = reinterpret_cast<LPCWSTR>(row.second.c_str());
        EXPECT_EQ(row.ignoringCase, CompareStringOrdinal(first, -1, second, -1, TRUE));
        EXPECT_EQ(row.exactly, CompareStringOrdinal(first, -1, second, -1, FALSE));
    }
}

TEST(SimulatedProfileReader, MissingFileAndSizeZero) {
    winsim::Reset();
    char buffer[8];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(3u, GetPrivateProfileStringA("autorun", "k", "def", buffer, 8, "C:\\none.inf"));
    EXPECT_STREQ("def", buffer);
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(0u, GetPrivateProfileStringA("autorun", "k", "def", buffer, 0, "C:\\none.inf"));
    EXPECT_EQ('#', buffer[0]);
}

TEST(SimulatedRegistry, QueryValueSizes) {
    winsim::Reset();
    winsim::SetValue("Software\\K", "Text", REG_SZ, "abc");
    winsim::SetValue("Software\\K", "Long", REG_SZ, std::string(10, 'x'));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\k", 0, 1, &key));
    char data[16];

    // Room to spare: a terminator is added but not counted.
    memset(data, '#', sizeof(data));
    DWORD size = 8;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(data), &size));
    EXPECT_EQ(3u, size);
    EXPECT_STREQ("abc", data);

    // Exactly the stored size: no terminator.
    memset(data, '#', sizeof(data));
    size = 3;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(data), &size));
    EXPECT_EQ("abc#", std::string(data, 4));

    // Too small: the size needed, and the buffer untouched.
    memset(data, '#', sizeof(data));
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Long", nullptr, nullptr,
                                                reinterpret_cast<LPBYTE>(data), &size));
    EXPECT_EQ(10u, size);
    EXPECT_EQ(std::string(16, '#'), std::string(data, 16));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
}

TEST(SimulatedRegistry, EmptyNamesInKeyPathsArePassedOver) {
    winsim::Reset();
    winsim::AddKey("Software\\A\\B");
    for (const char *path : {"Software\\A\\B", "\\Software\\A\\B", "Software\\\\A\\B",
                             "Software\\A\\B\\", "software\\a\\b"}) {
        SCOPED_TRACE(path);
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, 1, &key));
        RegCloseKey(key);
    }
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software/A", 0, 1, &key));
}

TEST(SimulatedFormatting, WsprintfA) {
    char buffer[1100];
    wsprintfA(buffer, "%04ld.%04ld.%04ld.%04ld", 1, -5, 12345, INT32_MIN);
    EXPECT_STREQ("0001.-005.12345.-2147483648", buffer);
    wsprintfA(buffer, "%s\\%s", "C:\\", "a");
    EXPECT_STREQ("C:\\\\a", buffer);
    // At most 1024 characters with the terminator.
    std::string longText(2000, 'a');
    EXPECT_EQ(1024, wsprintfA(buffer, "%s", longText.c_str()));
    EXPECT_EQ(1023u, strlen(buffer));
}

// The simulated PathRemoveFileSpecA, and the loader's own RemoveFileSpec that stands in for it,
// give what the platform gives (wine.compare holds both to Wine on these paths).
TEST(SimulatedPaths, PathRemoveFileSpecA) {
    const std::string so = medium::kSo932;
    const std::string jou = medium::kJou936;
    const struct {
        UINT codePage;
        std::string path;
        std::string result;
    } cases[] = {
        {1252, "C:\\Medium\\loader.exe", "C:\\Medium"},
        {1252, "C:\\loader.exe", "C:\\"},
        {1252, "C:\\", "C:\\"},
        {1252, "C:", "C:"},
        {1252, "C:loader.exe", "C:"},
        {1252, "\\\\server\\share\\loader.exe", "\\\\server\\share"},
        {1252, "\\\\server", "\\\\"},
        {1252, "\\\\\\a", "\\\\"},
        {1252, "\\loader.exe", "\\"},
        {1252, "\\", "\\"},
        {1252, "loader.exe", ""},
        {1252, "C:/a/loader.exe", "C:"},
        {1252, "a\\b\\", "a\\b"},
        {1252, "C:\\a:b\\c", "C:\\a:b"},
        {1252, "C:\\M" + so + "\\L" + so + ".exe", "C:\\M" + so + "\\L\x83"},
        // A trail byte of 0x5C is part of its character: only real backslashes are cut at.
        {932, "C:\\M" + so + "\\L" + so + ".exe", "C:\\M" + so},
        {932, "C:\\" + so + so, "C:\\"},
        {932, "\\\\" + so + "\\" + so + "\\x", "\\\\" + so + "\\" + so},
        {932, so + "\\x", so},
        {932, "C:\\M\\\x83", "C:\\M"}, // a lead byte without its trail byte ends the text
        {936, "C:\\M" + jou + "\\L" + jou + ".exe", "C:\\M" + jou},
        {936, "C:\\" + jou + ":" + jou + "\\x", "C:\\" + jou + ":" + jou},
        {936, "\\" + jou, "\\"},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(testing::Message() << row.codePage << " " << row.path);
        winsim::Reset();
        winsim::SetCodePage(row.codePage);
        // Buffers of the text's own size, so the sanitizer build sees a read past the terminator.
        std::vector<char> platform(row.path.c_str(), row.path.c_str() + row.path.size() + 1);
        std::vector<char> own = platform;
        PathRemoveFileSpecA(platform.data());
        RemoveFileSpec(own.data());
        EXPECT_EQ(row.result, platform.data());
        EXPECT_EQ(row.result, own.data());
    }
}

// Windows' answers on read-only files, which root under Wine does not all give: the attribute
// travels with a copy, and neither deletion nor a copy over the file gets past it.
TEST(SimulatedFiles, ReadOnlyAttribute) {
    winsim::Reset();
    winsim::AddFile("C:\\Medium\\setup.exe", "package");
    winsim::SetReadOnly("C:\\Medium\\setup.exe");
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA("C:\\Medium\\setup.exe"));
    EXPECT_TRUE(CopyFileA("C:\\Medium\\setup.exe", "C:\\Temp\\setup.exe", FALSE));
    EXPECT_TRUE(winsim::IsReadOnly("C:\\Temp\\setup.exe"));
    EXPECT_FALSE(DeleteFileA("C:\\Temp\\setup.exe"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(CopyFileA("C:\\Medium\\setup.exe", "C:\\Temp\\setup.exe", FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    EXPECT_TRUE(SetFileAttributesA("C:\\Temp\\setup.exe", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesA("C:\\Temp\\setup.exe"));
    EXPECT_TRUE(CopyFileA("C:\\Medium\\setup.exe", "C:\\Temp\\setup.exe", FALSE));
    EXPECT_TRUE(SetFileAttributesA("C:\\Temp\\setup.exe", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA("C:\\Temp\\setup.exe"));
    EXPECT_FALSE(SetFileAttributesA("C:\\Temp\\setup.exe", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(winsim::IsReadOnly("C:\\Medium\\setup.exe"));
}

TEST(SimulatedMutexes, NamesAreCaseSensitive) {
    winsim::Reset();
    EXPECT_NE(nullptr, CreateMutexA(nullptr, FALSE, "Abc"));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_NE(nullptr, CreateMutexA(nullptr, FALSE, "abc"));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_NE(nullptr, CreateMutexA(nullptr, FALSE, "Abc"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
}

} // namespace
