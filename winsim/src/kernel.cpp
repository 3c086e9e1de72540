// Kernel services: mutexes, last error, module and temporary paths, the process id and the tick
// count, waits, sleeps, handles.
#include "world.h"

namespace winsim {

void HoldMutexElsewhere(const std::string &name) {
    ++TheWorld().mutexes[name];
}

void FailMutexCreation(DWORD error) {
    TheWorld().mutexFailure = error;
}

bool MutexExists(const std::string &name) {
    return TheWorld().mutexes.count(name) != 0;
}

void SetModulePath(const std::string &path) {
    TheWorld().modulePath = path;
}

void SetUnicodeModulePath(const std::u16string &path) {
    TheWorld().unicodeModulePath = path;
    bool usedDefault = false;
    TheWorld().modulePath = FromUtf16Units(reinterpret_cast<const uint16_t *>(path.data()),
                                           path.size(), true, &usedDefault);
}

void SetShortPath(const std::u16string &longPath, const std::u16string &shortPath) {
    TheWorld().shortPaths[longPath] = shortPath;
}

void SetTempPath(const std::string &text) {
    TheWorld().tempPath = text;
    TheWorld().tempPathFails = false;
}

void FailTempPath() {
    TheWorld().tempPathFails = true;
}

void SetProcessId(DWORD id) {
    TheWorld().processId = id;
}

void SetTickCount(DWORD milliseconds) {
    TheWorld().tickBase = milliseconds - TheWorld().now;
}

static std::string Describe(const Handle *handle) {
    if (handle == nullptr) {
        return "invalid handle";
    }
    switch (handle->kind) {
    case HandleKind::Mutex:
        return "mutex " + handle->name;
    case HandleKind::Process:
        return "process " + handle->name;
    case HandleKind::Key:
        return "key " + handle->name;
    case HandleKind::File:
        return "file " + handle->name;
    case HandleKind::Mapping:
        return "mapping of " + handle->name;
    }
    return "";
}

// Names are case-sensitive; opening an existing name gives a new handle to the same mutex and
// ERROR_ALREADY_EXISTS, a new name leaves the last error 0.
extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner,
                                      LPCSTR name) {
    SimulatedCall call;
    World &w = TheWorld();
    std::string text = name ? name : "";
    std::string detail = text + (attributes ? " with security" : "") +
                         (initialOwner ? " owned" : " not owned") + ": ";
    HANDLE handle = nullptr;
    if (w.mutexFailure != 0) {
        SetError(w.mutexFailure);
        detail += "error " + std::to_string(w.mutexFailure);
    } else {
        bool exists = w.mutexes.count(text) != 0;
        ++w.mutexes[text];
        handle = NewHandle(Handle{HandleKind::Mutex, text, 0});
        SetError(exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        detail += exists ? "exists" : "created";
    }
    Record("CreateMutexA", detail);
    return handle;
}

extern "C" DWORD WINAPI GetLastError(void) {
    SimulatedCall call;
    Record("GetLastError", std::to_string(TheWorld().lastError));
    return TheWorld().lastError;
}

// A path that does not fit is cut to the buffer's size without a terminator, as older Windows
// versions do, and the return is the buffer's size.
extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    SimulatedCall call;
    const std::string &path = TheWorld().modulePath;
    DWORD result = 0;
    if (module == nullptr && fileName != nullptr && size > 0) {
        if (path.size() < size) {
            memcpy(fileName, path.c_str(), path.size() + 1);
            result = static_cast<DWORD>(path.size());
            SetError(ERROR_SUCCESS);
        } else {
            memcpy(fileName, path.data(), size);
            result = size;
            SetError(ERROR_INSUFFICIENT_BUFFER);
        }
    }
    Record("GetModuleFileNameA", "size " + std::to_string(size) + ": " + std::to_string(result));
    return result;
}

// The path as the loader's process was started, in UTF-16; a path set in ANSI comes back
// converted from the code page. Cut as the ANSI call cuts.
extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    SimulatedCall call;
    const World &w = TheWorld();
    std::u16string path =
        w.unicodeModulePath.empty() ? ToUtf16Units(w.modulePath) : w.unicodeModulePath;
    DWORD result = 0;
    if (module == nullptr && fileName != nullptr && size > 0) {
        result = static_cast<DWORD>(path.size() < size ? path.size() : size);
        memcpy(fileName, path.data(), result * sizeof(WCHAR));
        if (result < size) {
            fileName[result] = 0;
        }
        SetError(result < size ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
    }
    Record("GetModuleFileNameW", "size " + std::to_string(size) + ": " + std::to_string(result));
    return result;
}

// A path's short form where the test gave one; otherwise the path as it is, as on a volume that
// keeps no short names. The size needed, terminator included, when it does not fit.
extern "C" DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
    SimulatedCall call;
    std::u16string path = longPath ? longPath : u"";
    auto found = TheWorld().shortPaths.find(path);
    if (found != TheWorld().shortPaths.end()) {
        path = found->second;
    }
    DWORD result = static_cast<DWORD>(path.size() + 1);
    if (shortPath != nullptr && path.size() < size) {
        memcpy(shortPath, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
        result = static_cast<DWORD>(path.size());
    }
    Record("GetShortPathNameW", "size " + std::to_string(size) + ": " + std::to_string(result));
    return result;
}

// Returns the length without the terminator, or the size needed (terminator included) when the
// path does not fit, writing nothing then; 0 on failure.
extern "C" DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
    SimulatedCall call;
    const World &w = TheWorld();
    DWORD result = 0;
    if (!w.tempPathFails) {
        DWORD length = static_cast<DWORD>(w.tempPath.size());
        if (length < size && buffer != nullptr) {
            memcpy(buffer, w.tempPath.c_str(), length + 1);
            result = length;
        } else {
            result = length + 1;
        }
    }
    Record("GetTempPathA", "size " + std::to_string(size) + ": " + std::to_string(result));
    return result;
}

extern "C" DWORD WINAPI GetCurrentProcessId(void) {
    SimulatedCall call;
    Record("GetCurrentProcessId", std::to_string(TheWorld().processId));
    return TheWorld().processId;
}

// Milliseconds since the system started, wrapping after 49.7 days as a DWORD does.
extern "C" DWORD WINAPI GetTickCount(void) {
    SimulatedCall call;
    const World &w = TheWorld();
    DWORD ticks = static_cast<DWORD>(w.tickBase + w.now);
    Record("GetTickCount", std::to_string(ticks));
    return ticks;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    SimulatedCall call;
    World &w = TheWorld();
    const Handle *target = FindHandle(handle);
    DWORD result = WAIT_OBJECT_0;
    if (target == nullptr || target->kind == HandleKind::Key) {
        SetError(ERROR_INVALID_HANDLE);
        result = WAIT_FAILED;
    } else if (target->kind == HandleKind::Process) {
        uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : w.now + milliseconds;
        if (target->endsAt <= deadline) {
            w.now = target->endsAt > w.now ? target->endsAt : w.now;
        } else {
            w.now = deadline;
            result = 258; // WAIT_TIMEOUT
        }
    }
    Record("WaitForSingleObject",
           Describe(target) + " for " +
               (milliseconds == INFINITE ? std::string("INFINITE") : std::to_string(milliseconds)) +
               ": " + std::to_string(result));
    return result;
}

extern "C" void WINAPI Sleep(DWORD milliseconds) {
    SimulatedCall call;
    Record("Sleep", std::to_string(milliseconds));
    TheWorld().now += milliseconds;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    SimulatedCall call;
    World &w = TheWorld();
    Handle *target = FindHandle(handle);
    std::string detail = Describe(target);
    BOOL result = FALSE;
    if (target == nullptr || target->kind == HandleKind::Key) {
        SetError(ERROR_INVALID_HANDLE);
    } else {
        if (target->kind == HandleKind::Mutex && --w.mutexes[target->name] == 0) {
            w.mutexes.erase(target->name);
        }
        w.handles.erase(reinterpret_cast<uintptr_t>(handle));
        result = TRUE;
    }
    Record("CloseHandle", detail + ": " + (result ? "ok" : "error"));
    return result;
}

} // namespace winsim
