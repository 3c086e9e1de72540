// The whole run on the simulated Windows: its four ends, the install decision, staging, the
// launch, the pauses on the virtual clock, and the cases where paths must not be trusted.
#include "medium.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

const Calls kGuardCalls = {"CreateMutexA", "GetLastError"};
const Calls kLocateCalls = {"GetModuleFileNameA"};
const Calls kDescriptorCalls = {"GetPrivateProfileStringA", "GetPrivateProfileStringA",
                                "GetPrivateProfileStringA"};
const Calls kRegistryCalls = {"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"};
// The loader's own reading of autorun.inf, after the profile function gave nothing.
const Calls kFileReadCalls = {"CreateFileA",   "GetFileSize",     "CreateFileMappingA",
                              "MapViewOfFile", "UnmapViewOfFile", "CloseHandle",
                              "CloseHandle"};

Calls Join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls &part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const std::string &path : winsim::Files()) {
        files[path] = winsim::FileContent(path);
    }
    return files;
}

// The calls from the first call named `first` on.
Calls CallsFrom(const std::string &first) {
    Calls all = winsim::Calls();
    auto start = std::find(all.begin(), all.end(), first);
    return Calls(start, all.end());
}

const winsim::Event *Find(const std::string &call, const std::string &detailStart = "") {
    for (const winsim::Event &event : winsim::Log()) {
        if (event.call == call && event.detail.compare(0, detailStart.size(), detailStart) == 0) {
            return &event;
        }
    }
    return nullptr;
}

TEST(LoaderRun, FourEnds) {
    // Another loader runs: nothing but the guard.
    medium::LayOut();
    winsim::HoldMutexElsewhere(medium::kGuard);
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(kGuardCalls, winsim::Calls());

    // Descriptor incomplete: the profile function found no RegPath, nor does the file's own
    // reading.
    medium::LayOut();
    winsim::AddFile("C:\\Medium\\autorun.inf", "[autorun]\nRuntimePackage=setup.exe\n");
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(Join({kGuardCalls,
                    kLocateCalls,
                    {"GetPrivateProfileStringA", "GetPrivateProfileStringA"},
                    kFileReadCalls}),
              winsim::Calls());

    // Up to date.
    medium::LayOut();
    winsim::SetTextValue(medium::kKey, "Version", "2.1.0.5");
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(Join({kGuardCalls, kLocateCalls, kDescriptorCalls, kRegistryCalls}), winsim::Calls());

    // Installed.
    medium::LayOut();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(Join({kGuardCalls,
                    kLocateCalls,
                    kDescriptorCalls,
                    {"RegOpenKeyExA"},
                    {"GetTempPathA", "GetFileAttributesA", "CopyFileA", "SetFileAttributesA",
                     "LoadLibraryA", "GetProcAddress", "ShellExecuteExA", "WaitForSingleObject",
                     "Sleep", "CloseHandle", "Sleep", "DeleteFileA"}}),
              winsim::Calls());
}

// Where the registry maps every autorun.inf to nothing (the anti-AutoRun setting), the profile
// function gives nothing and the loader reads each value from the file itself: the same ends.
TEST(LoaderRun, FourEndsOnAHardenedMachine) {
    const Calls kValueCalls = Join({{"GetPrivateProfileStringA"}, kFileReadCalls});
    medium::LayOut();
    medium::Harden();
    winsim::HoldMutexElsewhere(medium::kGuard);
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(kGuardCalls, winsim::Calls());

    medium::LayOut();
    medium::Harden();
    winsim::AddFile("C:\\Medium\\autorun.inf", "[autorun]\nRuntimePackage=setup.exe\n");
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(Join({kGuardCalls, kLocateCalls, kValueCalls, kValueCalls}), winsim::Calls());

    medium::LayOut();
    medium::Harden();
    winsim::SetTextValue(medium::kKey, "Version", "2.1.0.5");
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(
        Join({kGuardCalls, kLocateCalls, kValueCalls, kValueCalls, kValueCalls, kRegistryCalls}),
        winsim::Calls());
    EXPECT_TRUE(winsim::Launches().empty());

    medium::LayOut();
    medium::Harden();
    EXPECT_EQ(0, medium::RunLoader());
    ASSERT_EQ(1u, winsim::Launches().size());
    EXPECT_EQ("C:\\Temp\\setup.exe", winsim::Launches()[0].file);
    EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.exe"));
    EXPECT_EQ(0, winsim::OpenKeyCount());

    // A mapping to a key that holds the values: they are the loader's, even a value of one
    // character, and the file's differ.
    const std::string section = "Software\\Maker\\Autorun\\autorun";
    medium::LayOut();
    winsim::SetTextValue(
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf", "",
        "@SYS:Maker\\Autorun");
    winsim::SetTextValue(section, "RuntimePackage", "s");
    winsim::SetTextValue(section, "RegPath", medium::kRegPath);
    winsim::SetTextValue(section, "Version", "2.1.0.5");
    winsim::AddFile("C:\\Medium\\s", "package");
    EXPECT_EQ(0, medium::RunLoader());
    ASSERT_EQ(1u, winsim::Launches().size());
    EXPECT_EQ("C:\\Temp\\s", winsim::Launches()[0].file);
}

TEST(LoaderRun, GuardIsTheFixedNameHeldForTheWholeProcess) {
    medium::LayOut();
    WinMain(nullptr, nullptr, const_cast<char *>(""), SW_SHOWDEFAULT);
    EXPECT_EQ(std::string(medium::kGuard) + " not owned: created", winsim::Log().front().detail);
    EXPECT_TRUE(winsim::MutexExists(medium::kGuard)); // never closed by the run
    EXPECT_FALSE(winsim::MutexExists("9656b2a6-167d-4c65-8b03-e4e32c9e18a2"));
    winsim::EndProcess();
    EXPECT_FALSE(winsim::MutexExists(medium::kGuard));

    // A guard that cannot be created (other than by an existing name) does not stop the run.
    medium::LayOut();
    winsim::FailMutexCreation(ERROR_ACCESS_DENIED);
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(1u, winsim::Launches().size());
}

struct Decision {
    const char *label;
    const char *travelling;
    void (*installed)();
    bool installs;
};

TEST(LoaderRun, InstallDecision) {
    const Decision cases[] = {
        {"no key", "2.1.0.5", [] {}, true},
        {"no key, unnormalisable travelling version", "junk", [] {}, true},
        {"key denied", "2.1.0.5", [] { winsim::DenyKey(medium::kKey); }, true},
        {"no value", "2.1.0.5", [] { winsim::AddKey(medium::kKey); }, true},
        {"value of 300 bytes", "2.1.0.5",
         [] { winsim::SetTextValue(medium::kKey, "Version", std::string(299, '1')); }, true},
        {"empty value", "2.1.0.5", [] { winsim::SetTextValue(medium::kKey, "Version", ""); }, true},
        {"REG_DWORD value", "2.1.0.5",
         [] { winsim::SetValue(medium::kKey, "Version", REG_DWORD, std::string("\1\0\0\0", 4)); },
         true},
        {"older", "2.1.0.5", [] { winsim::SetTextValue(medium::kKey, "Version", "2.1.0.4"); },
         true},
        {"older, other form", "2.1.0.5",
         [] { winsim::SetTextValue(medium::kKey, "Version", "20100004"); }, true},
        {"installed text too long to be a version", "2.1.0.5",
         [] { winsim::SetTextValue(medium::kKey, "Version", "9.9.9.9" + std::string(60, ' ')); },
         true},
        {"installed version of 33 characters", "1.2.3.4",
         [] { winsim::SetTextValue(medium::kKey, "Version", "1.2.3.000000000000000000000000004"); },
         true},
        {"installed version of 32 characters, equal", "1.2.3.4",
         [] { winsim::SetTextValue(medium::kKey, "Version", "1.2.3.00000000000000000000000004"); },
         false},
        {"travelling version of 6 characters", "2.1.05",
         [] { winsim::SetTextValue(medium::kKey, "Version", "1.0.0.0"); }, false},
        {"travelling version of 7 characters", "2.1.0.5",
         [] { winsim::SetTextValue(medium::kKey, "Version", "1.0.0.0"); }, true},
        {"equal", "2.1.0.5", [] { winsim::SetTextValue(medium::kKey, "Version", "2.1.0.5"); },
         false},
        {"equal, other form", "21000005",
         [] { winsim::SetTextValue(medium::kKey, "Version", "2.1.0.5"); }, false},
        {"newer", "2.1.0.5", [] { winsim::SetTextValue(medium::kKey, "Version", "10.0.0.0"); },
         false},
        {"unnormalisable travelling version", "2.1",
         [] { winsim::SetTextValue(medium::kKey, "Version", "1.0.0.0"); }, false},
        {"both unnormalisable", "2.1", [] { winsim::SetTextValue(medium::kKey, "Version", "1.0"); },
         false},
    };
    for (const Decision &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut("setup.exe", row.travelling);
        row.installed();
        EXPECT_EQ(0, medium::RunLoader());
        EXPECT_EQ(row.installs ? 1u : 0u, winsim::Launches().size()) << winsim::LogText();
        EXPECT_EQ(row.installs, Find("CopyFileA") != nullptr);
    }
}

TEST(LoaderRun, StagesLaunchesWaitsAndRemovesTheCopy) {
    medium::LayOut();
    winsim::LaunchRunsFor(7000);
    EXPECT_EQ(0, medium::RunLoader());

    EXPECT_EQ("C:\\Medium\\setup.exe -> C:\\Temp\\setup.exe: ok", Find("CopyFileA")->detail);
    ASSERT_EQ(1u, winsim::Launches().size());
    const winsim::Launch &launch = winsim::Launches()[0];
    EXPECT_EQ(sizeof(SHELLEXECUTEINFOA), launch.cbSize);
    EXPECT_EQ(SEE_MASK_NOCLOSEPROCESS, launch.fMask);
    EXPECT_TRUE(launch.hwndNull);
    EXPECT_FALSE(launch.verbNull);
    EXPECT_EQ("", launch.verb);
    EXPECT_EQ("C:\\Temp\\setup.exe", launch.file);
    EXPECT_TRUE(launch.fileExisted);
    EXPECT_FALSE(launch.parametersNull);
    EXPECT_EQ("", launch.parameters);
    EXPECT_TRUE(launch.directoryNull);
    EXPECT_EQ("C:\\Medium", launch.workingDirectory);
    EXPECT_EQ(SW_SHOW, launch.show);

    // Waited without limit; the copy goes 4000 ms after the package ended.
    EXPECT_EQ("process C:\\Temp\\setup.exe for INFINITE: 0", Find("WaitForSingleObject")->detail);
    const winsim::Event *deletion = Find("DeleteFileA");
    EXPECT_EQ("C:\\Temp\\setup.exe: ok", deletion->detail);
    EXPECT_EQ(launch.endsAt + 4000, deletion->at);
    EXPECT_EQ(launch.endsAt + 2000, Find("CloseHandle")->at);
    EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.exe"));
    EXPECT_TRUE(winsim::FileExists("C:\\Medium\\setup.exe"));
    EXPECT_EQ(0, winsim::OpenKeyCount());
}

// A stale copy is made an ordinary file and deleted before the new copy is made; the new copy
// takes the package's read-only attribute from a CD and loses it at once, so it goes at the end.
TEST(LoaderRun, StaleCopyIsReplaced) {
    const Calls kFromCopy = {"CopyFileA",      "SetFileAttributesA", "LoadLibraryA",
                             "GetProcAddress", "ShellExecuteExA",    "WaitForSingleObject",
                             "Sleep",          "CloseHandle",        "Sleep",
                             "DeleteFileA"};
    const struct {
        const char *label;
        bool stale;
        bool staleReadOnly;
        bool packageReadOnly;
    } cases[] = {
        {"stale copy", true, false, false},
        {"read-only stale copy", true, true, false},
        {"read-only package", false, false, true},
        {"read-only package, read-only stale copy", true, true, true},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut();
        if (row.stale) {
            winsim::AddFile("C:\\Temp\\setup.exe", "stale");
        }
        if (row.staleReadOnly) {
            winsim::SetReadOnly("C:\\Temp\\setup.exe");
        }
        if (row.packageReadOnly) {
            winsim::SetReadOnly("C:\\Medium\\setup.exe");
        }
        medium::RunLoader();
        Calls staleCalls = {"GetFileAttributesA", "SetFileAttributesA", "DeleteFileA"};
        EXPECT_EQ(Join({row.stale ? staleCalls : Calls({"GetFileAttributesA"}), kFromCopy}),
                  CallsFrom("GetFileAttributesA"));
        for (const winsim::Event &event : winsim::Log()) {
            if (event.call == "SetFileAttributesA" || event.call == "DeleteFileA") {
                EXPECT_EQ("C:\\Temp\\setup.exe", event.target);
                EXPECT_TRUE(event.ok) << event.detail;
            }
        }
        EXPECT_EQ("C:\\Temp\\setup.exe 128: ok", Find("SetFileAttributesA")->detail);
        ASSERT_EQ(1u, winsim::Launches().size());
        const winsim::Launch &launch = winsim::Launches()[0];
        EXPECT_EQ("C:\\Temp\\setup.exe", launch.file);
        EXPECT_EQ(launch.endsAt + 4000, winsim::Log().back().at);
        EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.exe"));
        EXPECT_EQ("package", winsim::FileContent("C:\\Medium\\setup.exe"));
        EXPECT_EQ(row.packageReadOnly, winsim::IsReadOnly("C:\\Medium\\setup.exe"));
    }
}

// Whenever the copy fails, the package runs where it lies and nothing is deleted afterwards.
TEST(LoaderRun, FailedCopyLaunchesInPlace) {
    const struct {
        const char *label;
        const char *package;
        void (*setUp)();
    } cases[] = {
        {"locked stale copy", "setup.exe",
         [] {
             winsim::AddFile("C:\\Temp\\setup.exe", "stale");
             winsim::LockFile("C:\\Temp\\setup.exe");
         }},
        {"missing sub-directory", "sub\\setup.exe", [] {}},
        {"missing source", "setup.exe", [] { winsim::RemoveFile("C:\\Medium\\setup.exe"); }},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut(row.package);
        row.setUp();
        auto before = Snapshot();
        medium::RunLoader();
        EXPECT_EQ(before, Snapshot());
        ASSERT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ(std::string("C:\\Medium\\") + row.package, winsim::Launches()[0].file);
        Calls afterLaunch = CallsFrom("ShellExecuteExA");
        EXPECT_EQ(afterLaunch.end(),
                  std::find(afterLaunch.begin(), afterLaunch.end(), "DeleteFileA"));
    }
}

// A type with no program, or a package whose elevation prompt the user declined.
TEST(LoaderRun, FailedLaunchStillRemovesTheCopyAfterAPause) {
    for (DWORD error : {ERROR_NO_ASSOCIATION, ERROR_CANCELLED}) {
        SCOPED_TRACE(error);
        medium::LayOut();
        winsim::LaunchFails(error);
        medium::RunLoader();
        const winsim::Event *launch = Find("ShellExecuteExA");
        EXPECT_EQ(nullptr, Find("WaitForSingleObject"));
        EXPECT_EQ(nullptr, Find("CloseHandle"));
        EXPECT_EQ(launch->at + 2000, Find("DeleteFileA")->at);
        EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.exe"));
    }
}

// msiexec that ends at once (another installation runs: 1618; consent declined: 1602) records
// nothing: the loader waited for it, the copy goes after both pauses, the next start tries again.
TEST(LoaderRun, PackageThatEndsAtOnceIsTriedAgain) {
    medium::LayOut("setup.msi");
    winsim::LaunchRunsFor(0);
    medium::RunLoader();
    const winsim::Event *launch = Find("ShellExecuteExA");
    EXPECT_EQ(launch->at, Find("WaitForSingleObject")->at);
    EXPECT_EQ(launch->at + 4000, Find("DeleteFileA")->at);
    EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.msi"));
    medium::RunLoader();
    EXPECT_EQ(2u, winsim::Launches().size());
}

// The shell is loaded only to launch; if it cannot be loaded, that is a failed launch.
TEST(LoaderRun, ShellThatCannotBeLoaded) {
    medium::LayOut();
    winsim::FailShellLoad();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_TRUE(winsim::Launches().empty());
    const winsim::Event *load = Find("LoadLibraryA");
    ASSERT_NE(nullptr, load);
    EXPECT_EQ("shell32.dll: error", load->detail);
    EXPECT_EQ(load->at + 2000, Find("DeleteFileA")->at);
    EXPECT_FALSE(winsim::FileExists("C:\\Temp\\setup.exe"));
}

TEST(LoaderRun, LaunchWithoutProcessHandle) {
    medium::LayOut();
    winsim::LaunchGivesNoHandle();
    medium::RunLoader();
    const winsim::Event *launch = Find("ShellExecuteExA");
    EXPECT_EQ(nullptr, Find("WaitForSingleObject"));
    EXPECT_EQ(launch->at + 2000, Find("CloseHandle")->at);
    EXPECT_EQ(launch->at + 4000, Find("DeleteFileA")->at);
}

// A copy still held at the end (its process outlives the pauses) stays: there is no retry.
TEST(LoaderRun, CopyStillHeldAtTheEndStays) {
    medium::LayOut();
    winsim::LaunchRunsFor(10000);
    winsim::LaunchGivesNoHandle();
    medium::RunLoader();
    EXPECT_EQ("C:\\Temp\\setup.exe: error 32", Find("DeleteFileA")->detail);
    EXPECT_TRUE(winsim::FileExists("C:\\Temp\\setup.exe"));
    Calls calls = winsim::Calls();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "DeleteFileA"));
}

// A temporary path of `length` characters with its trailing backslash.
std::string TempPathOf(size_t length) {
    return "C:\\" + std::string(length - 4, 't') + "\\";
}

TEST(LoaderRun, TemporaryPathForms) {
    const struct {
        std::string tempPath;
        std::string package;
        std::string launched; // the staging path, or the package in place
        bool staged;
    } cases[] = {
        {"C:\\Temp\\", "setup.exe", "C:\\Temp\\setup.exe", true},
        {"C:\\Temp", "setup.exe", "C:\\Temp\\setup.exe", true},
        {"C:\\", "setup.exe", "C:\\setup.exe", true},
        {"\\", "setup.exe", "\\setup.exe", true}, // one backslash: the root of the current drive
        // Without its backslash, a temporary path of 258 joins with "a" into 259 characters, the
        // most a path holds; one of 259 makes a staging path that does not fit; one of 260 does
        // not fit GetTempPathA's buffer at all.
        {TempPathOf(258), "a", TempPathOf(258) + "a", true},
        {TempPathOf(259), "a", "C:\\Medium\\a", false},
        {TempPathOf(260), "a", "C:\\Medium\\a", false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.tempPath.size());
        medium::LayOut(row.package);
        winsim::SetTempPath(row.tempPath);
        winsim::AddDirectory(row.tempPath);
        medium::RunLoader();
        EXPECT_EQ("size 260: ", Find("GetTempPathA")->detail.substr(0, 10));
        EXPECT_EQ(row.launched, winsim::Launches().at(0).file);
        if (row.staged) {
            EXPECT_EQ(row.launched + ": ok", Find("DeleteFileA")->detail);
        } else {
            EXPECT_EQ(nullptr, Find("CopyFileA"));
            EXPECT_EQ(nullptr, Find("DeleteFileA"));
        }
    }
}

// At a drive root the program directory keeps its backslash, so the descriptor path holds two
// backslashes in a row; Windows reads it all the same.
TEST(LoaderRun, LoaderAtTheRootOfADrive) {
    winsim::Reset();
    winsim::SetModulePath("Q:\\loader.exe");
    winsim::AddFile("Q:\\autorun.inf",
                    medium::Descriptor("setup.exe", medium::kRegPath, "1.0.0.0"));
    winsim::AddFile("Q:\\setup.exe", "package");
    medium::RunLoader();
    EXPECT_EQ("autorun RuntimePackage size 260 Q:\\\\autorun.inf: 9",
              Find("GetPrivateProfileStringA")->detail);
    EXPECT_EQ("Q:\\\\setup.exe -> C:\\Temp\\setup.exe: ok", Find("CopyFileA")->detail);
    EXPECT_EQ(1u, winsim::Launches().size());
}

// In a double-byte code page the program's directory and file name may hold a trail byte of 0x5C:
// the directory is still found, and a package so named is staged and removed. Read byte by byte,
// as a single-byte code page reads them, the same bytes cut the path inside a character.
TEST(LoaderRun, DoubleByteNamesInADoubleByteCodePage) {
    const struct {
        UINT codePage;
        std::string character; // one whose trail byte is 0x5C
        bool runs;
    } cases[] = {
        {932, medium::kSo932, true},
        {936, medium::kJou936, true},
        {1252, medium::kSo932, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.codePage);
        const std::string directory = "C:\\M" + row.character;
        const std::string package = "P" + row.character + ".exe";
        winsim::Reset();
        winsim::SetCodePage(row.codePage);
        winsim::SetModulePath(directory + "\\L" + row.character + ".exe");
        winsim::AddFile(directory + "\\autorun.inf",
                        medium::Descriptor(package, medium::kRegPath, "2.1.0.5"));
        winsim::AddFile(directory + "\\" + package, "package");
        medium::RunLoader();
        if (!row.runs) {
            EXPECT_TRUE(winsim::Launches().empty());
            continue;
        }
        ASSERT_EQ(1u, winsim::Launches().size()) << winsim::LogText();
        EXPECT_EQ(directory + "\\" + package + " -> C:\\Temp\\" + package + ": ok",
                  Find("CopyFileA")->detail);
        EXPECT_EQ("C:\\Temp\\" + package, winsim::Launches()[0].file);
        EXPECT_EQ("C:\\Temp\\" + package + ": ok", Find("DeleteFileA")->detail);
        EXPECT_EQ(
            std::vector<std::string>({directory + "\\" + package, directory + "\\autorun.inf"}),
            winsim::Files());
    }
}

// A RuntimePackage and the ANSI code page it is read in.
struct NameInCodePage {
    UINT codePage;
    std::string name;
};

// Names that would make the staging path leave the temporary directory are never staged: the
// package runs where it lies and no file anywhere is deleted or written.
TEST(LoaderRun, NamesThatLeaveTheTemporaryDirectoryAreNotStaged) {
    const NameInCodePage cases[] = {
        {1252, "..\\Victim\\setup.exe"},
        {1252, "sub\\..\\..\\Victim\\setup.exe"},
        {1252, "../Victim/setup.exe"},
        {1252, "sub/.. /../Victim/setup.exe"},
        {1252, "...\\setup.exe"},
        {1252, "C:\\Victim\\setup.exe"},
        {1252, "C:setup.exe"},
        {1252, "\\Victim\\setup.exe"},
        {1252, "\\\\server\\share\\setup.exe"},
        {1252, "setup.exe:stream"},
        {1252, ".\\"},
        {1252, "sub\\"},
        {1252, "sub\\."},
        // Read byte by byte, a trail byte of 0x5C ends the name with a separator.
        {1252, "setup" + medium::kSo932},
        // Double-byte characters do not hide a real separator or a climb.
        {932, medium::kSo932 + "\\..\\..\\Victim\\setup.exe"},
        {932, "..\\" + medium::kSo932 + ".exe"},
        {936, "sub\\" + medium::kJou936 + "\\"},
        {936, medium::kJou936 + ":stream"}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        medium::LayOut("setup.exe", "2.1.0.5", row.codePage);
        winsim::AddFile("C:\\Medium\\autorun.inf",
                        medium::Descriptor(row.name, medium::kRegPath, "2.1.0.5"));
        winsim::AddFile("C:\\Victim\\setup.exe", "user's file");
        winsim::AddFile("C:\\setup.exe", "user's file");
        auto before = Snapshot();
        medium::RunLoader();
        EXPECT_EQ(before, Snapshot());
        EXPECT_EQ(nullptr, Find("DeleteFileA"));
        EXPECT_EQ(nullptr, Find("CopyFileA"));
        ASSERT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ("C:\\Medium\\" + row.name, winsim::Launches()[0].file);
    }
}

// Names that only look unusual still stage. A trail byte of 0x5C is part of its character, not a
// separator, wherever it stands in the name.
TEST(LoaderRun, NamesBelowTheTemporaryDirectoryStage) {
    const NameInCodePage cases[] = {{1252, "a"},
                                    {1252, "..setup.exe"},
                                    {1252, "setup..exe"},
                                    {1252, "sub\\.\\setup.exe"},
                                    {932, medium::kSo932 + medium::kSo932},
                                    {932, "setup" + medium::kSo932},
                                    {932, medium::kSo932 + "..\\setup.exe"},
                                    {932, "sub\\" + medium::kSo932 + ".exe"},
                                    {936, "setup" + medium::kJou936},
                                    {936, medium::kJou936 + "..\\setup.exe"}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        medium::LayOut(row.name, "2.1.0.5", row.codePage);
        winsim::AddDirectory("C:\\Temp\\sub");
        winsim::AddDirectory("C:\\Temp\\" + medium::kSo932);
        winsim::AddDirectory("C:\\Temp\\" + medium::kJou936);
        medium::RunLoader();
        EXPECT_EQ("C:\\Temp\\" + row.name, winsim::Launches().at(0).file);
        EXPECT_EQ("C:\\Temp\\" + row.name + ": ok", Find("DeleteFileA")->detail);
    }
}

// Without a temporary directory the staging path would be "\name" at the root of the current
// drive: the package runs in place instead.
TEST(LoaderRun, NoTemporaryDirectoryMeansNoStaging) {
    medium::LayOut();
    winsim::FailTempPath();
    winsim::AddFile("C:\\setup.exe", "user's file");
    auto before = Snapshot();
    medium::RunLoader();
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ("C:\\Medium\\setup.exe", winsim::Launches().at(0).file);

    medium::LayOut();
    winsim::SetTempPath("C:\\" + std::string(270, 't') + "\\");
    medium::RunLoader();
    EXPECT_EQ("C:\\Medium\\setup.exe", winsim::Launches().at(0).file);
    EXPECT_EQ(nullptr, Find("GetFileAttributesA"));
}

TEST(LoaderRun, JoinsThatDoNotFit) {
    // The descriptor path does not fit: the run ends after locating itself.
    const std::string deep = "C:\\" + std::string(245, 'd'); // 248 characters
    medium::LayOut();
    winsim::SetModulePath(deep + "\\loader.exe");
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(Join({kGuardCalls, kLocateCalls}), winsim::Calls());

    // The package's source path does not fit: the run ends before touching anything.
    const std::string longName(250, 'p');
    medium::LayOut(longName);
    winsim::AddFile("C:\\Temp\\" + longName, "stale");
    auto before = Snapshot();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(before, Snapshot());
    EXPECT_TRUE(winsim::Launches().empty());
    EXPECT_EQ(nullptr, Find("GetFileAttributesA"));

    // Only the staging path does not fit: the package runs in place, nothing is deleted.
    const std::string name(249, 's');
    medium::LayOut(name);
    winsim::SetTempPath("C:\\" + std::string(10, 't') + "\\");
    before = Snapshot();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ("C:\\Medium\\" + name, winsim::Launches().at(0).file);
}

// A module path that fills the buffer comes back cut and unterminated: the run ends there.
TEST(LoaderRun, ModulePathThatDoesNotFit) {
    // A long name in a short directory, or a long directory, whose descriptor path may not fit.
    const struct {
        size_t length;
        bool longName;
        bool readsDescriptor;
    } cases[] = {
        {250, false, true},  {258, false, true}, {259, false, false}, {260, false, false},
        {300, false, false}, {259, true, true},  {260, true, false},  {300, true, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(testing::Message() << row.length << (row.longName ? " long name" : ""));
        std::string path = row.longName
                               ? "C:\\M\\" + std::string(row.length - 5 - 4, 'l') + ".exe"
                               : "C:\\" + std::string(row.length - 3 - 11, 'm') + "\\loader.exe";
        medium::LayOut();
        winsim::SetModulePath(path);
        EXPECT_EQ(0, medium::RunLoader());
        if (row.readsDescriptor) {
            EXPECT_EQ("GetPrivateProfileStringA", winsim::Calls().at(3));
        } else {
            EXPECT_EQ(Join({kGuardCalls, {"GetModuleFileNameA"}}), winsim::Calls());
        }
    }
}

// A program in a folder whose name the ANSI code page cannot hold gets '?' in its ANSI path, which
// names nothing: it takes the path's short form, where the volume keeps short names. Elsewhere
// the path is read as it always was.
TEST(LoaderRun, ModulePathTheCodePageCannotHold) {
    const std::u16string thai = u"C:\\\u0e17\u0e14\u0e2a\u0e2d\u0e1a\\loader.exe";
    const struct {
        const char *label;
        std::u16string path;
        std::u16string shortPath; // empty: the volume keeps no short names
        UINT codePage;
        std::string medium; // the directory the descriptor is read in
        bool installs;
        bool asksForTheShortForm;
    } cases[] = {
        {"a Thai folder with a short name", thai, u"C:\\____~CSR\\loader.exe", 1252, "C:\\____~CSR",
         true, true},
        {"a Thai folder without a short name", thai, u"", 1252, "C:\\?????", false, true},
        {"a short name that is no better", thai, u"C:\\\u0e17~1\\loader.exe", 1252, "C:\\?~1",
         false, true},
        // Paths that just fit the buffer: 259 characters and the terminator.
        {"a module path of 259 characters",
         u"C:\\\u0e17\u0e14\u0e2a\u0e2d\u0e1a\\" + std::u16string(239, u'd') + u"\\loader.exe",
         u"C:\\____~CSR\\DDDDDD~1\\loader.exe", 1252, "C:\\____~CSR\\DDDDDD~1", true, true},
        {"a short form of 259 characters", u"C:\\\u0e17\u0e14\u0e2a\u0e2d\u0e1a\\setup-loader.exe",
         u"C:\\" + std::u16string(243, u'S') + u"\\SETUP-~1.EXE", 1252,
         "C:\\" + std::string(243, 'S'), true, true},
        {"a short form too long for the path buffer", thai,
         u"C:\\" + std::u16string(250, u'S') + u"\\loader.exe", 1252, "C:\\?????", false, true},
        // A best fit names another folder, as it always did: only '?' tells a lost character.
        {"a letter the code page best-fits", u"C:\\\u0100b\\loader.exe", u"C:\\AB~1\\loader.exe",
         1252, "C:\\Ab", true, false},
        {"a folder in the code page's own script", u"C:\\\u30bd\\loader.exe", u"", 932,
         "C:\\" + medium::kSo932, true, false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut("setup.exe", "2.1.0.5", row.codePage);
        winsim::SetUnicodeModulePath(row.path);
        if (!row.shortPath.empty()) {
            winsim::SetShortPath(row.path, row.shortPath);
        }
        // The medium lies in the folder the path names; a path with '?' names none.
        if (row.installs) {
            winsim::AddFile(row.medium + "\\autorun.inf",
                            medium::Descriptor("setup.exe", medium::kRegPath, "2.1.0.5"));
            winsim::AddFile(row.medium + "\\setup.exe", "package");
        }
        EXPECT_EQ(0, medium::RunLoader());
        EXPECT_EQ(row.installs ? 1u : 0u, winsim::Launches().size()) << winsim::LogText();
        const winsim::Event *read = Find("GetPrivateProfileStringA");
        ASSERT_NE(nullptr, read);
        EXPECT_NE(std::string::npos, read->detail.find(row.medium + "\\autorun.inf"))
            << read->detail;
        EXPECT_EQ(row.asksForTheShortForm, Find("GetShortPathNameW") != nullptr);
    }

    // A short form whose ANSI form does not fit the path buffer ends the run, as a module path
    // that does not fit: here 200 double-byte characters.
    const std::u16string longShortForm = u"C:\\" + std::u16string(200, u'\u30bd') + u"\\loader.exe";
    medium::LayOut("setup.exe", "2.1.0.5", 932);
    winsim::SetUnicodeModulePath(thai);
    winsim::SetShortPath(thai, longShortForm);
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(
        Join({kGuardCalls, {"GetModuleFileNameA", "GetModuleFileNameW", "GetShortPathNameW"}}),
        winsim::Calls());
}

} // namespace
