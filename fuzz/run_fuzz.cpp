// The whole run over a generated world: descriptor, registry value, module and temporary paths,
// files present, read-only or locked, names of staging directories already taken, a policy that
// refuses programs in some folders, the launch's outcome, another loader running. Whatever the
// world, the run ends with 0; launches at most once, or twice only after a policy refused the
// staged copy; never deletes, writes or changes anything but what it made in a new directory of
// its own; and removes the copy it made, and then the directory, only after the pauses.
#include "medium.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

const char *const kFragments[] = {"setup.exe",
                                  "sub\\",
                                  "..\\",
                                  "../",
                                  ".\\",
                                  "..",
                                  ".. ",
                                  "...",
                                  "C:",
                                  "C:\\",
                                  "\\",
                                  "/",
                                  "\\\\srv\\share\\",
                                  ":s",
                                  "Temp\\",
                                  "Medium\\",
                                  "x",
                                  " ",
                                  "a.b",
                                  "victim.exe"};

std::string Name(FuzzedDataProvider &input) {
    if (input.ConsumeBool()) {
        return input.ConsumeRandomLengthString(300);
    }
    std::string name;
    int pieces = input.ConsumeIntegralInRange(1, 5);
    for (int i = 0; i < pieces; ++i) {
        name += input.PickValueInArray(kFragments);
    }
    if (input.ConsumeIntegralInRange(0, 7) == 0) {
        name += std::string(input.ConsumeIntegralInRange(200, 300), 'p');
    }
    return name;
}

std::string Line(FuzzedDataProvider &input, const char *key, const std::string &value) {
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return ""; // missing
    case 1:
        return std::string(key) + "=\r\n"; // empty
    default:
        return std::string(key) + "=" + value + "\r\n";
    }
}

std::string Upper(std::string text) {
    for (char &c : text) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool SamePath(const std::string &a, const std::string &b) {
    return Upper(winsim::FullPath(a)) == Upper(winsim::FullPath(b));
}

bool Inside(const std::string &path, const std::string &directory) {
    std::string full = Upper(winsim::FullPath(path));
    std::string prefix = Upper(winsim::FullPath(directory));
    if (prefix.back() != '\\') {
        prefix += '\\';
    }
    return full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0;
}

// Every file with its content and attribute, and every directory.
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const std::string &path : winsim::Files()) {
        files[path] = winsim::FileContent(path) + (winsim::IsReadOnly(path) ? " (read-only)" : "");
    }
    for (const std::string &path : winsim::Directories()) {
        files[path] = "(directory)";
    }
    return files;
}

void Check(bool condition) {
    if (!condition) {
        fprintf(stderr, "%s", winsim::LogText().c_str());
        abort();
    }
}

// The staging directory names the fuzzer's process ids and tick counts come to, and more.
std::string TakenName(FuzzedDataProvider &input) {
    char name[16];
    snprintf(name, sizeof(name), "CL%04X%04X", input.ConsumeIntegralInRange(0, 1),
             input.ConsumeIntegralInRange(0, 7));
    return name;
}

// The files and directories a run may have made or changed: in a directory it made.
bool InMadeDirectory(const std::string &path, const std::vector<std::string> &made) {
    return std::any_of(made.begin(), made.end(), [&](const std::string &directory) {
        return SamePath(path, directory) || Inside(path, directory);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    winsim::Reset();
    bool anotherLoader = input.ConsumeIntegralInRange(0, 7) == 0;
    if (anotherLoader) {
        winsim::HoldMutexElsewhere(medium::kGuard);
    }

    const char *const modules[] = {"C:\\Medium\\loader.exe", "Q:\\loader.exe",
                                   "C:\\Temp\\loader.exe", "\\\\srv\\share\\m\\loader.exe"};
    std::string module = input.PickValueInArray(modules);
    winsim::SetModulePath(module);
    std::string programDirectory = module.substr(0, module.rfind('\\'));
    // A folder whose name 1252 best-fits ("L\xF3dz"): where the volume keeps no short name, the
    // path names nothing and the medium there is not the loader's.
    bool bestFitted = input.ConsumeIntegralInRange(0, 7) == 0;
    bool shortForm = bestFitted && input.ConsumeBool();
    if (bestFitted) {
        const std::u16string lodz = u"C:\\\u0141\u00f3d\u017a\\loader.exe";
        winsim::SetUnicodeModulePath(lodz);
        if (shortForm) {
            winsim::SetShortPath(lodz, u"C:\\Medium\\loader.exe");
            programDirectory = "C:\\Medium";
        } else {
            programDirectory = "C:\\L\xF3"
                               "dz";
        }
    }
    std::string package = Name(input);
    std::string descriptor =
        "[autorun]\r\n" + Line(input, "RuntimePackage", package) +
        Line(input, "RegPath", input.ConsumeBool() ? "Maker\\Runtime" : Name(input)) +
        Line(input, "Version", input.ConsumeRandomLengthString(40));
    winsim::AddFile(programDirectory + "\\autorun.inf", descriptor);
    if (input.ConsumeIntegralInRange(0, 3) != 0) {
        winsim::AddFile(programDirectory + "\\" + package, "package");
        if (input.ConsumeBool()) {
            winsim::SetReadOnly(programDirectory + "\\" + package);
        }
    }

    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        break;
    case 1:
        winsim::DenyKey(medium::kKey);
        break;
    default: {
        const DWORD types[] = {REG_SZ, REG_BINARY, REG_DWORD};
        winsim::SetValue(medium::kKey, "Version", input.PickValueInArray(types),
                         input.ConsumeRandomLengthString(300));
    }
    }

    const char *const temps[] = {"C:\\Temp\\", "C:\\Temp", "C:\\Temp\\Deep\\", "D:\\",
                                 "C:\\Gone\\"};
    std::string temp = input.PickValueInArray(temps);
    int tempForm = input.ConsumeIntegralInRange(0, 7);
    if (tempForm == 0) {
        winsim::FailTempPath();
    } else if (tempForm == 1) {
        temp = "C:\\" + std::string(input.ConsumeIntegralInRange(230, 300), 't') + "\\";
    }
    winsim::SetTempPath(temp);
    if (temp != "C:\\Gone\\") {
        winsim::AddDirectory(temp);
    }
    std::string tempDirectory = temp.back() == '\\' ? temp.substr(0, temp.size() - 1) : temp;
    // Another program's file named as the package, and names of staging directories taken.
    if (input.ConsumeBool()) {
        std::string other = tempDirectory + "\\" + package;
        winsim::AddFile(other, "another program's");
        if (input.ConsumeBool()) {
            winsim::LockFile(other);
        }
        if (input.ConsumeBool()) {
            winsim::SetReadOnly(other);
        }
    }
    for (int taken = input.ConsumeIntegralInRange(0, 6); taken > 0; --taken) {
        std::string name = tempDirectory + "\\" + TakenName(input);
        if (input.ConsumeBool()) {
            winsim::AddFile(name, "another program's");
        } else {
            winsim::AddDirectory(name);
        }
    }
    winsim::SetProcessId(input.ConsumeIntegralInRange(0, 1));
    winsim::SetTickCount(input.ConsumeIntegralInRange(0, 7));
    winsim::AddFile("C:\\Victim\\setup.exe", "user's file");
    winsim::AddFile("C:\\setup.exe", "user's file");
    winsim::AddFile("C:\\Temp\\other.txt", "user's file in the temporary directory");
    winsim::AddFile("C:\\Temp\\version.dll", "a DLL left in the temporary directory");

    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 1:
        winsim::RefuseProgramsUnder(tempDirectory.empty() ? "C:\\" : tempDirectory);
        break;
    case 2:
        winsim::RefuseProgramsUnder("C:\\");
        break;
    default:
        break;
    }
    if (input.ConsumeBool()) {
        winsim::LackSetDefaultDllDirectories();
    }
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        winsim::LaunchFails(input.ConsumeBool() ? ERROR_NO_ASSOCIATION : ERROR_CANCELLED);
        break;
    case 1:
        winsim::LaunchRunsFor(input.ConsumeIntegralInRange(0, 9000));
        winsim::LaunchGivesNoHandle();
        break;
    default:
        winsim::LaunchRunsFor(input.ConsumeIntegralInRange(0, 100000));
    }

    auto before = Snapshot();
    Check(medium::RunLoader() == 0);
    auto after = Snapshot();

    if (anotherLoader) {
        Check(winsim::Calls() == std::vector<std::string>({"CreateMutexA", "GetLastError"}));
        return 0;
    }
    // A path the best fit made names nothing: the medium there is another's.
    if (bestFitted && !shortForm) {
        Check(winsim::Launches().empty());
    }

    // Directories are made only in the temporary directory, and nothing is copied, deleted or
    // changed but in one of them.
    std::vector<std::string> made;
    const winsim::Event *copy = nullptr;
    std::vector<const winsim::Event *> tries;
    for (const winsim::Event &event : winsim::Log()) {
        if (event.call == "CreateDirectoryA") {
            Check(Inside(event.target, temp));
            if (event.ok) {
                made.push_back(event.target);
            }
        }
        if (event.call == "DeleteFileA" || event.call == "CopyFileA" ||
            event.call == "SetFileAttributesA" || event.call == "RemoveDirectoryA") {
            Check(InMadeDirectory(event.target, made));
        }
        if (event.call == "CopyFileA" && event.ok) {
            copy = &event;
        }
        if (event.call == "ShellExecuteExA") {
            tries.push_back(&event);
        }
    }
    Check(made.size() <= 1);
    for (const auto &entry : before) {
        auto kept = after.find(entry.first);
        Check(kept != after.end() && kept->second == entry.second);
    }
    for (const auto &entry : after) {
        Check(before.count(entry.first) != 0 || InMadeDirectory(entry.first, made));
    }

    // One launch; a second only where the policy refused the staged copy, of the package in place.
    const auto &launches = winsim::Launches();
    Check(launches.size() <= 2);
    if (launches.size() == 2) {
        Check(copy != nullptr && SamePath(launches[0].file, copy->target));
        Check(tries[0]->detail.find("error 1260") != std::string::npos);
        Check(SamePath(launches[1].file, programDirectory + "\\" + package));
    }

    // A staging copy that was made is deleted once, after the pauses: 4000 ms after the package
    // ended, 4000 ms after a launch without a process, 2000 ms after a failed launch. Its directory
    // goes with it where the copy went.
    if (copy != nullptr) {
        const winsim::Launch &launch = launches.at(0);
        const winsim::Event *wait = nullptr;
        const winsim::Event *deletion = nullptr;
        const winsim::Event *removal = nullptr;
        for (const winsim::Event &event : winsim::Log()) {
            if (event.call == "WaitForSingleObject" && wait == nullptr) {
                wait = &event;
            } else if (event.call == "DeleteFileA") {
                Check(deletion == nullptr);
                deletion = &event;
            } else if (event.call == "RemoveDirectoryA" && event.at > copy->at) {
                Check(removal == nullptr);
                removal = &event;
            }
        }
        Check(deletion != nullptr && removal != nullptr && SamePath(launch.file, copy->target));
        Check(launch.besideFile.size() == 1);
        uint64_t earliest = !tries[0]->ok     ? launch.at + 2000
                            : wait != nullptr ? launch.endsAt + 4000
                                              : launch.at + 4000;
        Check(deletion->at >= earliest && removal->at >= deletion->at);
        Check(winsim::FileExists(copy->target) != deletion->ok);
        Check(removal->ok == deletion->ok);
        const std::vector<std::string> directories = winsim::Directories();
        Check(std::none_of(directories.begin(), directories.end(), [&](const std::string &path) {
                  return SamePath(path, made.at(0));
              }) == removal->ok);
    } else {
        // A directory made for a copy that failed is removed at once: nothing new is left.
        Check(std::all_of(after.begin(), after.end(),
                          [&](const auto &entry) { return before.count(entry.first) != 0; }));
    }
    return 0;
}
