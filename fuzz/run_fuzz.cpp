// The whole run over a generated world: descriptor, registry value, temporary path, files present,
// read-only or locked, the launch's outcome, another loader running. Whatever the world, the run
// ends with 0, launches at most once, never deletes or writes outside the temporary directory, and
// removes a staging copy it made only after the pauses.
#include "medium.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

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

std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const std::string &path : winsim::Files()) {
        files[path] = winsim::FileContent(path);
    }
    return files;
}

void Check(bool condition) {
    if (!condition) {
        fprintf(stderr, "%s", winsim::LogText().c_str());
        abort();
    }
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

    const char *const temps[] = {"C:\\Temp\\", "C:\\Temp", "C:\\Temp\\Deep\\", "D:\\"};
    std::string temp = input.PickValueInArray(temps);
    int tempForm = input.ConsumeIntegralInRange(0, 7);
    if (tempForm == 0) {
        winsim::FailTempPath();
    } else if (tempForm == 1) {
        temp = "C:\\" + std::string(input.ConsumeIntegralInRange(240, 300), 't') + "\\";
    }
    winsim::SetTempPath(temp);
    winsim::AddDirectory(temp);
    if (input.ConsumeBool()) {
        std::string stale = temp + "\\" + package;
        winsim::AddFile(stale, "stale");
        if (input.ConsumeBool()) {
            winsim::LockFile(stale);
        }
        if (input.ConsumeBool()) {
            winsim::SetReadOnly(stale);
        }
    }
    winsim::AddFile("C:\\Victim\\setup.exe", "user's file");
    winsim::AddFile("C:\\setup.exe", "user's file");
    winsim::AddFile("C:\\Temp\\other.txt", "user's file in the temporary directory");

    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        winsim::LaunchFails(ERROR_NO_ASSOCIATION);
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
    Check(winsim::Launches().size() <= 1);

    // Every copy, deletion and change of attributes targets the temporary directory.
    std::string staging;
    const winsim::Event *copy = nullptr;
    for (const winsim::Event &event : winsim::Log()) {
        if (event.call == "DeleteFileA" || event.call == "CopyFileA" ||
            event.call == "SetFileAttributesA") {
            Check(Inside(event.target, temp));
        }
        if (event.call == "CopyFileA" && event.ok) {
            staging = event.target;
            copy = &event;
        }
    }

    // Nothing changes but the staging path, when that lies in the temporary directory.
    std::string tempDirectory = temp.back() == '\\' ? temp.substr(0, temp.size() - 1) : temp;
    std::string expected = tempDirectory + "\\" + package;
    bool stagingInside = Inside(expected, temp);
    for (const auto &entry : before) {
        if (stagingInside && SamePath(entry.first, expected)) {
            continue;
        }
        auto kept = after.find(entry.first);
        Check(kept != after.end() && kept->second == entry.second);
    }

    // A staging copy that was made is deleted once, after the pauses: 4000 ms after the package
    // ended, 4000 ms after a launch without a process, 2000 ms after a failed launch.
    if (copy != nullptr) {
        const winsim::Launch &launch = winsim::Launches().at(0);
        const winsim::Event *launchEvent = nullptr;
        const winsim::Event *wait = nullptr;
        const winsim::Event *deletion = nullptr;
        for (const winsim::Event &event : winsim::Log()) {
            if (event.call == "ShellExecuteExA") {
                launchEvent = &event;
            } else if (event.call == "WaitForSingleObject") {
                wait = &event;
            } else if (event.call == "DeleteFileA" && event.at > copy->at) {
                Check(deletion == nullptr);
                deletion = &event;
            }
        }
        Check(launchEvent != nullptr && deletion != nullptr && SamePath(launch.file, staging));
        uint64_t earliest = !launchEvent->ok  ? launch.at + 2000
                            : wait != nullptr ? launch.endsAt + 4000
                                              : launch.at + 4000;
        Check(deletion->at >= earliest);
        Check(winsim::FileExists(staging) != deletion->ok);
    }
    return 0;
}
