// The whole run on the simulated Windows: its four ends, the install decision, staging in a
// directory of its own, the launch, the pauses on the virtual clock, and the cases where paths
// must not be trusted.
#include "loader.h"
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
// The ANSI module path, then the wide one converted without best fit to tell it exact.
const Calls kLocateCalls = {"GetModuleFileNameA", "GetModuleFileNameW", "WideCharToMultiByte"};
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

// Every file with its content and attribute, and every directory.
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const std::string &path : winsim::Files()) {
        files[path] = winsim::FileContent(path) + (winsim::IsReadOnly(path) ? " (read-only)" : "");
    }
    for (const std::string &path : winsim::Directories()) {
        files[path + "\\"] = "(directory)";
    }
    return files;
}

// The directory the last run made for its staging copy; "" when none made one.
std::string MadeDirectory() {
    const auto &log = winsim::Log();
    auto made = std::find_if(log.rbegin(), log.rend(), [](const winsim::Event &event) {
        return event.call == "CreateDirectoryA" && event.ok;
    });
    return made == log.rend() ? "" : made->target;
}

// True when path is name alone in a staging directory of tempDirectory: "CL" and eight uppercase
// hexadecimal digits.
bool IsStagingCopy(const std::string &path, const std::string &tempDirectory,
                   const std::string &name) {
    const std::string prefix = tempDirectory + "\\CL";
    const size_t digits = prefix.size();
    if (path.size() != digits + 8 + 1 + name.size() || path.compare(0, digits, prefix) != 0 ||
        path[digits + 8] != '\\' || path.compare(digits + 9, std::string::npos, name) != 0) {
        return false;
    }
    return std::all_of(path.begin() + digits, path.begin() + digits + 8,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// The calls from the first call named `first` on.
Calls CallsFrom(const std::string &first) {
    Calls all = winsim::Calls();
    auto start = std::find(all.begin(), all.end(), first);
    return Calls(start, all.end());
}

// The plan's Staging for a RuntimePackage, in the simulated Windows' code page.
int StagingOf(const std::string &name) {
    PackageDescriptor descriptor;
    ZeroMemory(&descriptor, sizeof(descriptor));
    lstrcpyA(descriptor.RuntimePackage, name.c_str());
    LaunchPlan plan;
    ZeroMemory(&plan, sizeof(plan));
    PlanLaunch("C:\\Medium", "C:\\Temp\\", &descriptor, 0, &plan);
    return plan.Staging;
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
                    {"GetTempPathA", "GetCurrentProcessId", "GetTickCount", "CreateDirectoryA",
                     "CopyFileA", "SetFileAttributesA", "GetModuleHandleA", "GetProcAddress",
                     "SetDefaultDllDirectories", "LoadLibraryA", "GetProcAddress",
                     "ShellExecuteExA", "WaitForSingleObject", "Sleep", "CloseHandle", "Sleep",
                     "DeleteFileA", "RemoveDirectoryA"}}),
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
    EXPECT_TRUE(IsStagingCopy(winsim::Launches()[0].file, "C:\\Temp", "setup.exe"));
    EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
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
    EXPECT_TRUE(IsStagingCopy(winsim::Launches()[0].file, "C:\\Temp", "s"));
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

    ASSERT_EQ(1u, winsim::Launches().size());
    const winsim::Launch &launch = winsim::Launches()[0];
    EXPECT_TRUE(IsStagingCopy(launch.file, "C:\\Temp", "setup.exe")) << launch.file;
    EXPECT_EQ(MadeDirectory() + "\\setup.exe", launch.file);
    EXPECT_EQ("C:\\Medium\\setup.exe -> " + launch.file + ": ok", Find("CopyFileA")->detail);
    EXPECT_EQ(sizeof(SHELLEXECUTEINFOA), launch.cbSize);
    EXPECT_EQ(SEE_MASK_NOCLOSEPROCESS, launch.fMask);
    EXPECT_TRUE(launch.hwndNull);
    EXPECT_FALSE(launch.verbNull);
    EXPECT_EQ("", launch.verb);
    EXPECT_TRUE(launch.fileExisted);
    EXPECT_FALSE(launch.parametersNull);
    EXPECT_EQ("", launch.parameters);
    EXPECT_TRUE(launch.directoryNull);
    EXPECT_EQ("C:\\Medium", launch.workingDirectory);
    EXPECT_EQ(SW_SHOW, launch.show);

    // Waited without limit; the copy and its directory go 4000 ms after the package ended.
    EXPECT_EQ("process " + launch.file + " for INFINITE: 0", Find("WaitForSingleObject")->detail);
    const winsim::Event *deletion = Find("DeleteFileA");
    EXPECT_EQ(launch.file + ": ok", deletion->detail);
    EXPECT_EQ(launch.endsAt + 4000, deletion->at);
    EXPECT_EQ(MadeDirectory() + ": ok", Find("RemoveDirectoryA")->detail);
    EXPECT_EQ(launch.endsAt + 4000, Find("RemoveDirectoryA")->at);
    EXPECT_EQ(launch.endsAt + 2000, Find("CloseHandle")->at);
    EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
    EXPECT_TRUE(winsim::FileExists("C:\\Medium\\setup.exe"));
    EXPECT_EQ(0, winsim::OpenKeyCount());
}

// The package is copied alone into a new directory: whatever lies in the temporary directory, a
// DLL an installer would load from its own directory or a file named as the package, the package
// sees nothing but itself, and the temporary directory holds after the run exactly what it held.
TEST(LoaderRun, StagesAloneAndTouchesNothingElse) {
    const struct {
        const char *label;
        void (*setUp)();
    } cases[] = {
        {"an empty temporary directory", [] {}},
        {"DLLs an installer loads from its own directory",
         [] {
             for (const char *dll : {"version.dll", "dwmapi.dll", "cryptbase.dll"}) {
                 winsim::AddFile(std::string("C:\\Temp\\") + dll, "planted");
             }
             winsim::AddDirectory("C:\\Temp\\other");
         }},
        {"another program's file named as the package",
         [] { winsim::AddFile("C:\\Temp\\setup.exe", "another program's"); }},
        {"a read-only file named as the package",
         [] {
             winsim::AddFile("C:\\Temp\\setup.exe", "another program's");
             winsim::SetReadOnly("C:\\Temp\\setup.exe");
         }},
        {"a file named as the package, held by its program",
         [] {
             winsim::AddFile("C:\\Temp\\setup.exe", "another program's");
             winsim::LockFile("C:\\Temp\\setup.exe");
         }},
        // Every file on a CD is read-only, and so is a copy of one until the loader clears it.
        {"a read-only package", [] { winsim::SetReadOnly("C:\\Medium\\setup.exe"); }},
        {"a read-only package, a read-only file named as it",
         [] {
             winsim::SetReadOnly("C:\\Medium\\setup.exe");
             winsim::AddFile("C:\\Temp\\setup.exe", "another program's");
             winsim::SetReadOnly("C:\\Temp\\setup.exe");
         }},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut();
        row.setUp();
        auto before = Snapshot();
        medium::RunLoader();
        ASSERT_EQ(1u, winsim::Launches().size());
        const winsim::Launch &launch = winsim::Launches()[0];
        EXPECT_TRUE(IsStagingCopy(launch.file, "C:\\Temp", "setup.exe")) << launch.file;
        EXPECT_EQ(std::vector<std::string>({"setup.exe"}), launch.besideFile);
        EXPECT_EQ(launch.endsAt + 4000, winsim::Log().back().at);
        EXPECT_EQ(before, Snapshot());
        for (const winsim::Event &event : winsim::Log()) {
            if (event.call == "SetFileAttributesA" || event.call == "DeleteFileA" ||
                event.call == "CopyFileA" || event.call == "RemoveDirectoryA") {
                EXPECT_EQ(0u, event.target.find(MadeDirectory())) << event.call;
                EXPECT_TRUE(event.ok) << event.detail;
            }
        }
    }
}

// A name already taken in the temporary directory, by a directory or a file, is never used: the
// run takes another, and leaves the one there as it was. When every name it tries is taken, the
// package runs where it lies and nothing is made or deleted.
TEST(LoaderRun, NamesAlreadyTakenAreNeverUsed) {
    // Runs alike (the same process id and tick count) try the same names. A copy whose process
    // outlives the pauses stays, and so does its directory.
    medium::LayOut();
    winsim::LaunchRunsFor(100000);
    winsim::LaunchGivesNoHandle();
    std::vector<std::string> taken;
    for (int run = 0; run <= kStagingAttempts; ++run) {
        SCOPED_TRACE(run);
        winsim::SetProcessId(0x0ABC);
        winsim::SetTickCount(0x12345678);
        auto before = Snapshot();
        size_t launches = winsim::Launches().size();
        medium::RunLoader();
        ASSERT_EQ(launches + 1, winsim::Launches().size());
        const std::string &file = winsim::Launches().back().file;
        if (run < kStagingAttempts) {
            EXPECT_TRUE(IsStagingCopy(file, "C:\\Temp", "setup.exe")) << file;
            EXPECT_EQ(before.end(), before.find(MadeDirectory() + "\\"));
            taken.push_back(MadeDirectory());
        } else {
            EXPECT_EQ("C:\\Medium\\setup.exe", file);
            EXPECT_EQ(before, Snapshot());
        }
        for (const std::string &directory : taken) {
            EXPECT_TRUE(winsim::FileExists(directory + "\\setup.exe")) << directory;
        }
    }

    // Every name the run tries taken by another program's empty directory: none of them is used.
    medium::LayOut();
    for (const std::string &directory : taken) {
        winsim::AddDirectory(directory);
    }
    winsim::SetProcessId(0x0ABC);
    winsim::SetTickCount(0x12345678);
    auto emptyBefore = Snapshot();
    medium::RunLoader();
    EXPECT_EQ("C:\\Medium\\setup.exe", winsim::Launches().at(0).file);
    EXPECT_EQ(emptyBefore, Snapshot());

    // A file of another program named as the directory the run would make.
    medium::LayOut();
    winsim::SetProcessId(0x0ABC);
    winsim::SetTickCount(0x12345678);
    medium::RunLoader();
    const std::string first = MadeDirectory();
    medium::LayOut();
    winsim::AddFile(first, "another program's file");
    winsim::SetProcessId(0x0ABC);
    winsim::SetTickCount(0x12345678);
    auto before = Snapshot();
    medium::RunLoader();
    EXPECT_NE(first, MadeDirectory());
    EXPECT_TRUE(IsStagingCopy(winsim::Launches().at(0).file, "C:\\Temp", "setup.exe"));
    EXPECT_EQ(before, Snapshot());
}

// Whenever no directory can be made or the copy fails, the package runs where it lies and nothing
// is deleted afterwards; a directory the run made for a copy that failed is removed at once.
TEST(LoaderRun, FailedStagingLaunchesInPlace) {
    const struct {
        const char *label;
        void (*setUp)();
    } cases[] = {
        {"no temporary directory there", [] { winsim::SetTempPath("C:\\Gone\\"); }},
        {"a temporary path that names a file",
         [] {
             winsim::AddFile("C:\\Tmp", "a file");
             winsim::SetTempPath("C:\\Tmp\\");
         }},
        {"missing source", [] { winsim::RemoveFile("C:\\Medium\\setup.exe"); }},
        {"a source that is a directory",
         [] {
             winsim::RemoveFile("C:\\Medium\\setup.exe");
             winsim::AddDirectory("C:\\Medium\\setup.exe");
         }},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut();
        row.setUp();
        auto before = Snapshot();
        medium::RunLoader();
        EXPECT_EQ(before, Snapshot());
        ASSERT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ("C:\\Medium\\setup.exe", winsim::Launches()[0].file);
        // A failure other than a name already taken ends the attempts at once.
        Calls calls = winsim::Calls();
        EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "CreateDirectoryA"));
        EXPECT_EQ(0, std::count(calls.begin(), calls.end(), "DeleteFileA"));
        // A directory made for a failed copy is gone before the launch.
        Calls afterLaunch = CallsFrom("ShellExecuteExA");
        EXPECT_EQ(afterLaunch.end(),
                  std::find(afterLaunch.begin(), afterLaunch.end(), "RemoveDirectoryA"));
    }
}

// A type with no program, or a package whose elevation prompt the user declined: the copy and its
// directory go after one pause, and the user's "no" is never asked again.
TEST(LoaderRun, FailedLaunchStillRemovesTheCopyAfterAPause) {
    for (DWORD error : {ERROR_NO_ASSOCIATION, ERROR_CANCELLED}) {
        SCOPED_TRACE(error);
        medium::LayOut();
        winsim::LaunchFails(error);
        medium::RunLoader();
        const winsim::Event *launch = Find("ShellExecuteExA");
        EXPECT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ(nullptr, Find("WaitForSingleObject"));
        EXPECT_EQ(nullptr, Find("CloseHandle"));
        EXPECT_EQ(launch->at + 2000, Find("DeleteFileA")->at);
        EXPECT_EQ(launch->at + 2000, Find("RemoveDirectoryA")->at);
        EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
    }
}

// A path rule that refuses programs in the temporary directory (1260) refuses the staged copy:
// the copy and its directory go after the pause, and the package is started once where it lies,
// and waited for. A package that runs in place anyway, or a refusal of the medium too, gets no
// second launch; a type that the rule does not refuse runs staged.
TEST(LoaderRun, StagedLaunchRefusedByPolicy) {
    const struct {
        const char *label;
        const char *package;
        std::vector<std::string> refused; // folders whose programs the policy refuses
        std::vector<bool> staged;         // each launch: of the staged copy, or in place
        std::vector<bool> refusals;       // each launch: refused by the policy
    } cases[] = {
        {"the temporary directory refused",
         "setup.exe",
         {"C:\\Temp"},
         {true, false},
         {true, false}},
        {"a refused folder above it", "setup.exe", {"C:\\"}, {true, false}, {true, true}},
        {"the temporary directory and the medium refused",
         "setup.exe",
         {"C:\\Temp", "C:\\Medium"},
         {true, false},
         {true, true}},
        {"only the medium refused", "setup.exe", {"C:\\Medium"}, {true}, {false}},
        {"a package in place, refused", "sub\\setup.exe", {"C:\\Medium"}, {false}, {true}},
        {"an MSI, opened by msiexec", "setup.msi", {"C:\\Temp"}, {true}, {false}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.label);
        medium::LayOut(row.package);
        for (const std::string &folder : row.refused) {
            winsim::RefuseProgramsUnder(folder);
        }
        winsim::LaunchRunsFor(5000);
        auto before = Snapshot();
        medium::RunLoader();
        const auto &launches = winsim::Launches();
        ASSERT_EQ(row.staged.size(), launches.size()) << winsim::LogText();
        std::vector<const winsim::Event *> tries;
        for (const winsim::Event &event : winsim::Log()) {
            if (event.call == "ShellExecuteExA") {
                tries.push_back(&event);
            }
        }
        for (size_t i = 0; i < launches.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(row.staged[i], IsStagingCopy(launches[i].file, "C:\\Temp", row.package));
            EXPECT_EQ(row.refusals[i],
                      !tries[i]->ok && tries[i]->detail.find("error 1260") != std::string::npos);
        }
        if (launches.size() == 2) {
            // The copy went after one pause, before the package was started in place.
            EXPECT_EQ(launches[0].at + 2000, Find("RemoveDirectoryA")->at);
            EXPECT_EQ(launches[0].at + 2000, launches[1].at);
            EXPECT_EQ("C:\\Medium\\setup.exe", launches[1].file);
            EXPECT_EQ(!row.refusals[1], Find("WaitForSingleObject") != nullptr);
        }
        EXPECT_EQ(before, Snapshot());
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
    EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
    medium::RunLoader();
    EXPECT_EQ(2u, winsim::Launches().size());
}

// The shell is loaded only to launch, after the loader's own DLL search is limited to the system
// directory, where Windows has the call; if the shell cannot be loaded, that is a failed launch.
TEST(LoaderRun, ShellAndItsDllSearch) {
    medium::LayOut();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32),
              winsim::DllDirectoriesWhenShellLoaded());

    // Windows 7 without KB2533623: the search stays as it was, and the package runs.
    medium::LayOut();
    winsim::LackSetDefaultDllDirectories();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_EQ(0u, winsim::DllDirectoriesWhenShellLoaded());
    EXPECT_EQ(1u, winsim::Launches().size());
    EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());

    medium::LayOut();
    winsim::FailShellLoad();
    EXPECT_EQ(0, medium::RunLoader());
    EXPECT_TRUE(winsim::Launches().empty());
    const winsim::Event *load = Find("LoadLibraryA");
    ASSERT_NE(nullptr, load);
    EXPECT_EQ("shell32.dll: error", load->detail);
    EXPECT_EQ(load->at + 2000, Find("DeleteFileA")->at);
    EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
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

// A copy still held at the end (its process outlives the pauses) stays, and so does its
// directory: there is no retry.
TEST(LoaderRun, CopyStillHeldAtTheEndStays) {
    medium::LayOut();
    winsim::LaunchRunsFor(10000);
    winsim::LaunchGivesNoHandle();
    medium::RunLoader();
    const std::string copy = winsim::Launches().at(0).file;
    EXPECT_EQ(copy + ": error 32", Find("DeleteFileA")->detail);
    EXPECT_EQ(MadeDirectory() + ": error 145", Find("RemoveDirectoryA")->detail);
    EXPECT_TRUE(winsim::FileExists(copy));
    Calls calls = winsim::Calls();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "DeleteFileA"));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "RemoveDirectoryA"));
}

// A temporary path of `length` characters with its trailing backslash.
std::string TempPathOf(size_t length) {
    return "C:\\" + std::string(length - 4, 't') + "\\";
}

TEST(LoaderRun, TemporaryPathForms) {
    const struct {
        std::string tempPath;
        std::string package;
        std::string stagedIn; // the temporary directory the copy's directory is made in, as joined
        bool staged;
    } cases[] = {
        {"C:\\Temp\\", "setup.exe", "C:\\Temp", true},
        {"C:\\Temp", "setup.exe", "C:\\Temp", true},
        {"C:\\", "setup.exe", "C:", true},
        {"\\", "setup.exe", "", true}, // one backslash: the root of the current drive
        // Without its backslash, a temporary path of 247 joins with the directory's name of 10
        // and "a" into 259 characters, the most a path holds; one of 248 makes a staging path
        // that does not fit; one of 260 does not fit GetTempPathA's buffer at all.
        {TempPathOf(247), "a", TempPathOf(247).substr(0, 246), true},
        {TempPathOf(248), "a", "", false},
        {TempPathOf(259), "a", "", false},
        {TempPathOf(260), "a", "", false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.tempPath.size());
        medium::LayOut(row.package);
        winsim::SetTempPath(row.tempPath);
        winsim::AddDirectory(row.tempPath);
        medium::RunLoader();
        EXPECT_EQ("size 260: ", Find("GetTempPathA")->detail.substr(0, 10));
        const std::string &launched = winsim::Launches().at(0).file;
        if (row.staged) {
            EXPECT_TRUE(IsStagingCopy(launched, row.stagedIn, row.package)) << launched;
            EXPECT_EQ(launched + ": ok", Find("DeleteFileA")->detail);
            EXPECT_EQ(MadeDirectory() + ": ok", Find("RemoveDirectoryA")->detail);
        } else {
            EXPECT_EQ("C:\\Medium\\" + row.package, launched);
            EXPECT_EQ(nullptr, Find("CreateDirectoryA"));
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
    ASSERT_EQ(1u, winsim::Launches().size());
    EXPECT_EQ("Q:\\\\setup.exe -> " + winsim::Launches()[0].file + ": ok",
              Find("CopyFileA")->detail);
    EXPECT_TRUE(IsStagingCopy(winsim::Launches()[0].file, "C:\\Temp", "setup.exe"));
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
        const std::string &copy = winsim::Launches()[0].file;
        EXPECT_TRUE(IsStagingCopy(copy, "C:\\Temp", package)) << copy;
        EXPECT_EQ(directory + "\\" + package + " -> " + copy + ": ok", Find("CopyFileA")->detail);
        EXPECT_EQ(copy + ": ok", Find("DeleteFileA")->detail);
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
        EXPECT_EQ(nullptr, Find("CreateDirectoryA"));
        EXPECT_EQ(nullptr, Find("DeleteFileA"));
        EXPECT_EQ(nullptr, Find("CopyFileA"));
        ASSERT_EQ(1u, winsim::Launches().size());
        EXPECT_EQ("C:\\Medium\\" + row.name, winsim::Launches()[0].file);
        EXPECT_EQ(kNameLeavesDirectory, StagingOf(row.name));
    }
}

// Names that only look unusual still stage. A trail byte of 0x5C is part of its character, not a
// separator, wherever it stands in the name.
TEST(LoaderRun, NamesBelowTheTemporaryDirectoryStage) {
    const NameInCodePage cases[] = {{1252, "a"},
                                    {1252, "..setup.exe"},
                                    {1252, "setup..exe"},
                                    {932, medium::kSo932 + medium::kSo932},
                                    {932, "setup" + medium::kSo932},
                                    {932, medium::kSo932 + "..setup.exe"},
                                    {936, "setup" + medium::kJou936},
                                    {936, medium::kJou936 + ".exe"}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        medium::LayOut(row.name, "2.1.0.5", row.codePage);
        medium::RunLoader();
        const std::string &copy = winsim::Launches().at(0).file;
        EXPECT_TRUE(IsStagingCopy(copy, "C:\\Temp", row.name)) << copy;
        EXPECT_EQ(copy + ": ok", Find("DeleteFileA")->detail);
        EXPECT_TRUE(winsim::NamesIn("C:\\Temp").empty());
    }
}

// A name with a sub-directory is never staged, a new directory having no sub-directory for it,
// even where the temporary directory holds one of that name: the package runs where it lies and
// nothing is made or deleted. A trail byte of 0x5C hides no real separator.
TEST(LoaderRun, NamesWithASubDirectoryAreNeverStaged) {
    const NameInCodePage cases[] = {{1252, "sub\\setup.exe"},
                                    {1252, "sub/setup.exe"},
                                    {1252, "sub\\.\\setup.exe"},
                                    {1252, "a\\b\\setup.exe"},
                                    {932, medium::kSo932 + "..\\setup.exe"},
                                    {932, "sub\\" + medium::kSo932 + ".exe"},
                                    {936, medium::kJou936 + "..\\setup.exe"}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        medium::LayOut(row.name, "2.1.0.5", row.codePage);
        winsim::AddDirectory("C:\\Temp\\sub");
        winsim::AddDirectory("C:\\Temp\\" + medium::kSo932 + "..");
        auto before = Snapshot();
        medium::RunLoader();
        EXPECT_EQ(before, Snapshot());
        EXPECT_EQ(nullptr, Find("CreateDirectoryA"));
        EXPECT_EQ(nullptr, Find("CopyFileA"));
        EXPECT_EQ("C:\\Medium\\" + row.name, winsim::Launches().at(0).file);
        EXPECT_EQ(kNameInSubDirectory, StagingOf(row.name));
    }
}

// The staging directory's name is "CL" and the number's eight uppercase hexadecimal digits, in
// both the directory's path and the copy's.
TEST(LaunchPlan, StagingDirectoryNames) {
    const std::pair<unsigned int, std::string> cases[] = {
        {0, "CL00000000"}, {0x0A1B2C3D, "CL0A1B2C3D"}, {0xFEDCBA98, "CLFEDCBA98"}};
    for (const auto &row : cases) {
        SCOPED_TRACE(row.second);
        winsim::Reset();
        PackageDescriptor descriptor;
        ZeroMemory(&descriptor, sizeof(descriptor));
        lstrcpyA(descriptor.RuntimePackage, "setup.exe");
        LaunchPlan plan;
        ZeroMemory(&plan, sizeof(plan));
        EXPECT_EQ(1, PlanLaunch("C:\\Medium", "C:\\Temp\\", &descriptor, row.first, &plan));
        EXPECT_EQ(kStaged, plan.Staging);
        EXPECT_EQ("C:\\Temp\\" + row.second, plan.StagingDirectory);
        EXPECT_EQ("C:\\Temp\\" + row.second + "\\setup.exe", plan.StagingPath);
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
    EXPECT_EQ(nullptr, Find("CreateDirectoryA"));
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
    EXPECT_EQ(nullptr, Find("CreateDirectoryA"));

    // Only the staging path does not fit, counted with the directory's name: the package runs in
    // place, nothing is made or deleted. "C:\tttttttttt" and a name of 245 would fit without it.
    for (size_t length : {249, 245}) {
        SCOPED_TRACE(length);
        const std::string name(length, 's');
        medium::LayOut(name);
        winsim::SetTempPath("C:\\" + std::string(10, 't') + "\\");
        winsim::AddDirectory("C:\\" + std::string(10, 't'));
        before = Snapshot();
        EXPECT_EQ(0, medium::RunLoader());
        EXPECT_EQ(before, Snapshot());
        EXPECT_EQ(nullptr, Find("CreateDirectoryA"));
        EXPECT_EQ("C:\\Medium\\" + name, winsim::Launches().at(0).file);
    }
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
            EXPECT_EQ("GetPrivateProfileStringA",
                      winsim::Calls().at(Join({kGuardCalls, kLocateCalls}).size()));
        } else {
            // A path that fits is still told exact or not; one that was cut is not.
            const Calls located = row.length < 260 ? kLocateCalls : Calls({"GetModuleFileNameA"});
            EXPECT_EQ(Join({kGuardCalls, located}), winsim::Calls());
        }
    }
}

// A program in a folder whose name the ANSI code page cannot hold exactly gets '?' or a look-alike
// letter in its ANSI path, which names nothing or another folder: it takes the path's short form,
// where the volume keeps short names, and otherwise reads a path that names nothing. An exact
// path is read as it always was, and so is any path where the conversion cannot tell (UTF-8).
TEST(LoaderRun, ModulePathTheCodePageCannotHold) {
    const std::u16string thai = u"C:\\\u0e17\u0e14\u0e2a\u0e2d\u0e1a\\loader.exe";
    const std::u16string lodz = u"C:\\\u0141\u00f3d\u017a\\loader.exe";
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
        // A best fit names another folder: the short form is taken as for '?'.
        {"a letter the code page best-fits", u"C:\\\u0100b\\loader.exe", u"C:\\AB~1\\loader.exe",
         1252, "C:\\AB~1", true, true},
        {"a Polish name with a short name", lodz, u"C:\\LD~1\\loader.exe", 1252, "C:\\LD~1", true,
         true},
        // The medium in the folder the best fit names is not the loader's.
        {"a Polish name without a short name", lodz, u"", 1252,
         "C:\\?\xF3"
         "d?",
         false, true},
        {"a Polish name in a UTF-8 code page", lodz, u"", CP_UTF8,
         "C:\\\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         true, false},
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
        // A medium lies in the folder 1252's best fit names for the Polish name.
        winsim::AddFile("C:\\L\xF3"
                        "dz\\autorun.inf",
                        medium::Descriptor("setup.exe", medium::kRegPath, "2.1.0.5"));
        winsim::AddFile("C:\\L\xF3"
                        "dz\\setup.exe",
                        "another medium's package");
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
    EXPECT_EQ(Join({kGuardCalls, kLocateCalls, {"GetShortPathNameW", "WideCharToMultiByte"}}),
              winsim::Calls());
}

} // namespace
