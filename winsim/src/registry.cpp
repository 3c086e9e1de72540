// The registry below HKEY_LOCAL_MACHINE: RegOpenKeyExA, RegQueryValueExA, RegCloseKey.
#include "world.h"

#include <algorithm>

namespace winsim {

static bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The names of a key path, split on backslashes (a slash is an ordinary character in a key name).
// Empty names, from a leading, doubled or trailing backslash, are passed over.
static std::vector<std::string> KeyNames(const std::string &subKey) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= subKey.size()) {
        size_t end = FindSeparator(subKey, start, "\\");
        if (end == std::string::npos) {
            end = subKey.size();
        }
        if (end > start) {
            names.push_back(subKey.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

// The stored form of a key path: its names, upper-cased, between backslashes.
static bool KeyPath(const std::string &subKey, std::string *path) {
    std::string joined;
    for (const std::string &name : KeyNames(subKey)) {
        joined += (joined.empty() ? "" : "\\") + name;
    }
    *path = Upper(joined);
    return !joined.empty();
}

// Makes the key and each of its parents, each keeping the first spelling of its name.
void AddKey(const std::string &subKey) {
    std::string spelled;
    for (const std::string &name : KeyNames(subKey)) {
        spelled += (spelled.empty() ? "" : "\\") + name;
        RegistryKey &key = TheWorld().keys[Upper(spelled)];
        if (key.name.empty()) {
            key.name = name;
        }
    }
}

const RegistryKey *KeyAt(const std::string &subKey) {
    std::string path;
    if (!KeyPath(subKey, &path)) {
        return nullptr;
    }
    auto found = TheWorld().keys.find(path);
    return found == TheWorld().keys.end() ? nullptr : &found->second;
}

const RegistryValue *ValueOf(const RegistryKey &key, const std::string &name) {
    auto found = key.values.find(Upper(name));
    return found == key.values.end() ? nullptr : &found->second;
}

std::vector<std::string> SubKeysOf(const std::string &subKey) {
    std::vector<std::string> names;
    std::string path;
    if (!KeyPath(subKey, &path)) {
        return names;
    }
    const std::string prefix = path + "\\";
    for (const auto &entry : TheWorld().keys) {
        if (entry.first.compare(0, prefix.size(), prefix) == 0 &&
            FindSeparator(entry.first, prefix.size(), "\\") == std::string::npos) {
            names.push_back(entry.second.name);
        }
    }
    return names;
}

void DenyKey(const std::string &subKey) {
    AddKey(subKey);
    std::string path;
    if (KeyPath(subKey, &path)) {
        TheWorld().keys[path].denied = true;
    }
}

void SetValue(const std::string &subKey, const std::string &name, DWORD type,
              const std::string &bytes) {
    AddKey(subKey);
    std::string path;
    if (KeyPath(subKey, &path)) {
        TheWorld().keys[path].values[Upper(name)] = RegistryValue{name, type, bytes};
    }
}

void SetTextValue(const std::string &subKey, const std::string &name, const std::string &text) {
    SetValue(subKey, name, REG_SZ, text + std::string(1, '\0'));
}

int OpenKeyCount() {
    const auto &handles = TheWorld().handles;
    return static_cast<int>(std::count_if(handles.begin(), handles.end(), [](const auto &entry) {
        return entry.second.kind == HandleKind::Key;
    }));
}

// cppcheck-suppress constParameter ; HKEY is a pointer typedef, it cannot point to const
static LSTATUS OpenKey(HKEY root, LPCSTR subKey, PHKEY result, std::string *path) {
    if (root != HKEY_LOCAL_MACHINE || subKey == nullptr || result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!KeyPath(subKey, path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    auto found = TheWorld().keys.find(*path);
    if (found == TheWorld().keys.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (found->second.denied) {
        return ERROR_ACCESS_DENIED;
    }
    *result = reinterpret_cast<HKEY>(NewHandle(Handle{HandleKind::Key, *path, 0}));
    return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                        PHKEY result) {
    SimulatedCall call;
    std::string path;
    LSTATUS status = OpenKey(key, subKey, result, &path);
    Record("RegOpenKeyExA", std::string(subKey ? subKey : "(null)") + " options " +
                                std::to_string(options) + " access " + std::to_string(desired) +
                                ": " + std::to_string(status));
    return status;
}

static LSTATUS QueryValue(HKEY key, LPCSTR valueName, const DWORD *reserved, LPDWORD type,
                          LPBYTE data, LPDWORD dataSize) {
    const Handle *handle = FindHandle(reinterpret_cast<HANDLE>(key));
    if (handle == nullptr || handle->kind != HandleKind::Key) {
        return ERROR_INVALID_HANDLE;
    }
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    const RegistryKey &stored = TheWorld().keys[handle->name];
    auto found = stored.values.find(Upper(valueName ? valueName : ""));
    if (found == stored.values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    const RegistryValue &value = found->second;
    DWORD length = static_cast<DWORD>(value.bytes.size());
    if (type != nullptr) {
        *type = value.type;
    }
    if (data == nullptr) {
        if (dataSize != nullptr) {
            *dataSize = length;
        }
        return ERROR_SUCCESS;
    }
    if (length > *dataSize) {
        // Windows reports the size needed and leaves the buffer as it was.
        *dataSize = length;
        return ERROR_MORE_DATA;
    }
    memcpy(data, value.bytes.data(), length);
    // A string stored without its terminator gets one when there is room, not counted in the size.
    if (IsStringType(value.type) && length > 0 && value.bytes.back() != '\0' &&
        length < *dataSize) {
        data[length] = 0;
    }
    *dataSize = length;
    return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved,
                                           LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    SimulatedCall call;
    DWORD announced = dataSize ? *dataSize : 0;
    LSTATUS status = QueryValue(key, valueName, reserved, type, data, dataSize);
    Record("RegQueryValueExA", std::string(valueName ? valueName : "(null)") + " size " +
                                   std::to_string(announced) + ": " + std::to_string(status));
    return status;
}

extern "C" LSTATUS WINAPI RegCloseKey(HKEY key) {
    SimulatedCall call;
    LSTATUS status = ERROR_INVALID_HANDLE;
    const Handle *handle = FindHandle(reinterpret_cast<HANDLE>(key));
    if (handle != nullptr && handle->kind == HandleKind::Key) {
        TheWorld().handles.erase(reinterpret_cast<uintptr_t>(key));
        status = ERROR_SUCCESS;
    }
    Record("RegCloseKey", std::to_string(status));
    return status;
}

} // namespace winsim
