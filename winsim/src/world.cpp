// The world itself: reset, clock, log, handles and Windows path resolution.
#include "world.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace winsim {

static thread_local int simulatedCallDepth = 0;

SimulatedCall::SimulatedCall() {
    ++simulatedCallDepth;
}

SimulatedCall::~SimulatedCall() {
    --simulatedCallDepth;
}

bool InSimulatedCall() {
    return simulatedCallDepth > 0;
}

World &TheWorld() {
    static World world;
    return world;
}

void Reset() {
    World &w = TheWorld();
    w = World();
    w.modulePath = "C:\\Medium\\loader.exe";
    w.currentDirectory = "C:\\Medium";
    w.tempPath = "C:\\Temp\\";
    AddDirectory("C:\\Medium");
    AddDirectory("C:\\Temp");
}

void Record(const char *call, const std::string &detail, const std::string &target, bool ok) {
    World &w = TheWorld();
    w.log.push_back(Event{w.now, call, detail, target, ok});
}

void SetError(DWORD error) {
    TheWorld().lastError = error;
}

HANDLE NewHandle(const Handle &handle) {
    World &w = TheWorld();
    uintptr_t value = w.nextHandle;
    w.nextHandle += 4;
    w.handles[value] = handle;
    return reinterpret_cast<HANDLE>(value);
}

Handle *FindHandle(HANDLE handle) {
    World &w = TheWorld();
    auto found = w.handles.find(reinterpret_cast<uintptr_t>(handle));
    return found == w.handles.end() ? nullptr : &found->second;
}

void EndProcess() {
    World &w = TheWorld();
    for (auto &entry : w.handles) {
        if (entry.second.kind == HandleKind::Mutex && --w.mutexes[entry.second.name] == 0) {
            w.mutexes.erase(entry.second.name);
        }
    }
    w.handles.clear();
}

const std::vector<Event> &Log() {
    return TheWorld().log;
}

std::vector<std::string> Calls() {
    const auto &log = TheWorld().log;
    std::vector<std::string> calls(log.size());
    std::transform(log.begin(), log.end(), calls.begin(),
                   [](const Event &event) { return event.call; });
    return calls;
}

std::string LogText() {
    std::string text;
    for (const Event &event : TheWorld().log) {
        text += std::to_string(event.at) + " " + event.call + " " + event.detail + "\n";
    }
    return text;
}

void SetCodePage(UINT codePage) {
    TheWorld().codePage = codePage;
}

const char *NextCharacter(const char *c) {
    return IsLeadByte(static_cast<unsigned char>(*c)) && c[1] != '\0' ? c + 2 : c + 1;
}

// The position after the character at position in text, which is terminated like any C string.
static size_t NextPosition(const std::string &text, size_t position) {
    return static_cast<size_t>(NextCharacter(text.c_str() + position) - text.c_str());
}

size_t FindSeparator(const std::string &text, size_t start, const char *separators) {
    for (size_t i = start; i < text.size(); i = NextPosition(text, i)) {
        if (strchr(separators, text[i]) != nullptr && text[i] != '\0') {
            return i;
        }
    }
    return std::string::npos;
}

size_t FindLastSeparator(const std::string &text, const char *separators) {
    size_t last = std::string::npos;
    for (size_t found = FindSeparator(text, 0, separators); found != std::string::npos;
         found = FindSeparator(text, found + 1, separators)) {
        last = found;
    }
    return last;
}

std::string Upper(const std::string &text) {
    std::string upper = text;
    for (size_t i = 0; i < upper.size(); i = NextPosition(upper, i)) {
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
    }
    return upper;
}

static bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows drops trailing dots and spaces from each name of a path ("a. " is "a").
static std::string TrimName(const std::string &name) {
    if (name == "." || name == "..") {
        return name;
    }
    size_t end = name.size();
    while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) {
        --end;
    }
    return name.substr(0, end);
}

std::string FullPath(const std::string &path) {
    const std::string &current = TheWorld().currentDirectory;
    std::string root;
    std::string rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // UNC: \\server\share is the root.
        size_t server = FindSeparator(path, 2, "\\/");
        size_t share = server == std::string::npos ? std::string::npos
                                                   : FindSeparator(path, server + 1, "\\/");
        root = "\\\\" + path.substr(2, share == std::string::npos ? std::string::npos : share - 2);
        std::replace(root.begin(), root.end(), '/', '\\');
        rest = share == std::string::npos ? "" : path.substr(share);
    } else if (path.size() >= 2 && path[1] == ':') {
        root = path.substr(0, 2);
        rest = path.substr(2);
        if (rest.empty() || !IsSeparator(rest[0])) {
            bool sameDrive = Upper(current.substr(0, 2)) == Upper(root);
            rest = (sameDrive ? current.substr(2) : std::string()) + "\\" + rest;
        }
    } else if (!path.empty() && IsSeparator(path[0])) {
        root = current.substr(0, 2);
        rest = path;
    } else {
        root = current.substr(0, 2);
        rest = current.substr(2) + "\\" + path;
    }

    std::vector<std::string> names;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = FindSeparator(rest, start, "\\/");
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string name = TrimName(rest.substr(start, end - start));
        if (name == "..") {
            if (!names.empty()) {
                names.pop_back();
            }
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    std::string full = root;
    for (const std::string &name : names) {
        full += "\\" + name;
    }
    return names.empty() ? full + "\\" : full;
}

std::string ParentOf(const std::string &fullPath) {
    size_t slash = FindLastSeparator(fullPath, "\\");
    if (slash == std::string::npos || slash + 1 == fullPath.size()) {
        return "";
    }
    std::string parent = fullPath.substr(0, slash);
    return parent.size() == 2 && parent[1] == ':' ? parent + "\\" : parent;
}

bool DirectoryExists(const std::string &fullPath) {
    const World &w = TheWorld();
    std::string key = Upper(fullPath);
    if (key.size() == 3 && key[1] == ':') {
        return true; // every drive root exists
    }
    return w.directories.count(key) != 0;
}

std::vector<std::string> NamesInDirectory(const std::string &fullPath) {
    const World &w = TheWorld();
    const std::string key = Upper(fullPath);
    std::vector<std::string> names;
    auto addIfIn = [&](const std::string &path) {
        const std::string parent = ParentOf(path);
        if (!parent.empty() && Upper(parent) == key) {
            names.push_back(path.substr(FindLastSeparator(path, "\\") + 1));
        }
    };
    for (const auto &entry : w.files) {
        addIfIn(entry.second.path);
    }
    for (const auto &entry : w.directories) {
        addIfIn(entry.second);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> NamesIn(const std::string &directory) {
    return NamesInDirectory(FullPath(directory));
}

std::vector<std::string> Directories() {
    const auto &directories = TheWorld().directories;
    std::vector<std::string> paths(directories.size());
    std::transform(directories.begin(), directories.end(), paths.begin(),
                   [](const auto &entry) { return entry.second; });
    std::sort(paths.begin(), paths.end());
    return paths;
}

void AddDirectory(const std::string &path) {
    std::string full = FullPath(path);
    while (!full.empty() && !(full.size() == 3 && full[1] == ':')) {
        TheWorld().directories.emplace(Upper(full), full);
        full = ParentOf(full);
    }
}

} // namespace winsim
