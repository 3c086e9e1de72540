// Files and directories: CopyFileA, DeleteFileA, CreateDirectoryA, RemoveDirectoryA, file
// attributes and the shell path utilities.
#include "world.h"

#include <shlwapi.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace winsim {

static File *FindFile(const std::string &fullPath) {
    auto found = TheWorld().files.find(Upper(fullPath));
    return found == TheWorld().files.end() ? nullptr : &found->second;
}

void AddFile(const std::string &path, const std::string &content) {
    std::string full = FullPath(path);
    AddDirectory(ParentOf(full));
    File &file = TheWorld().files[Upper(full)];
    file.path = full;
    file.content = content;
}

void RemoveFile(const std::string &path) {
    TheWorld().files.erase(Upper(FullPath(path)));
}

void LockFile(const std::string &path) {
    File *file = FindFile(FullPath(path));
    if (file != nullptr) {
        file->locked = true;
    }
}

void SetReadOnly(const std::string &path) {
    File *file = FindFile(FullPath(path));
    if (file != nullptr) {
        file->readOnly = true;
    }
}

bool IsReadOnly(const std::string &path) {
    const File *file = FindFile(FullPath(path));
    return file != nullptr && file->readOnly;
}

bool FileExists(const std::string &path) {
    return FindFile(FullPath(path)) != nullptr;
}

std::string FileContent(const std::string &path) {
    const File *file = FindFile(FullPath(path));
    return file == nullptr ? std::string() : file->content;
}

std::vector<std::string> Files() {
    const auto &files = TheWorld().files;
    std::vector<std::string> paths(files.size());
    std::transform(files.begin(), files.end(), paths.begin(),
                   [](const auto &entry) { return entry.second.path; });
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A file is held while it is locked or while a process started from it runs.
static bool IsHeld(const File &file) {
    const World &w = TheWorld();
    return file.locked ||
           std::any_of(w.launches.begin(), w.launches.end(), [&](const Launch &launch) {
               return launch.endsAt > w.now && Upper(FullPath(launch.file)) == Upper(file.path);
           });
}

static std::string Outcome(BOOL result) {
    return result ? "ok" : "error " + std::to_string(TheWorld().lastError);
}

// The error Windows gives for a path that names no file: a missing directory on the way is
// ERROR_PATH_NOT_FOUND, a missing last name ERROR_FILE_NOT_FOUND.
static DWORD MissingError(const std::string &fullPath) {
    std::string parent = ParentOf(fullPath);
    return parent.empty() || DirectoryExists(parent) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

static BOOL Copy(const std::string &source, const std::string &target, BOOL failIfExists) {
    const File *from = FindFile(source);
    if (from == nullptr) {
        SetError(DirectoryExists(source) ? ERROR_ACCESS_DENIED : MissingError(source));
        return FALSE;
    }
    std::string parent = ParentOf(target);
    if (parent.empty() || !DirectoryExists(parent)) {
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (DirectoryExists(target)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    File *to = FindFile(target);
    if (to != nullptr && failIfExists) {
        SetError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    if (to != nullptr && to->readOnly) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (to == from || (to != nullptr && IsHeld(*to))) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    std::string content = from->content;
    bool readOnly = from->readOnly;
    File &file = TheWorld().files[Upper(target)];
    if (file.path.empty()) {
        file.path = target;
    }
    file.content = content;
    file.readOnly = readOnly; // the copy takes the source's attributes
    SetError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
    SimulatedCall call;
    std::string source = FullPath(existingFileName);
    std::string target = FullPath(newFileName);
    BOOL result = Copy(source, target, failIfExists);
    Record("CopyFileA",
           std::string(existingFileName) + " -> " + newFileName + ": " + Outcome(result),
           newFileName, result);
    return result;
}

static BOOL Delete(const std::string &fullPath) {
    const File *file = FindFile(fullPath);
    if (file == nullptr) {
        SetError(DirectoryExists(fullPath) ? ERROR_ACCESS_DENIED : MissingError(fullPath));
        return FALSE;
    }
    if (file->readOnly) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (IsHeld(*file)) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    TheWorld().files.erase(Upper(fullPath));
    SetError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
    SimulatedCall call;
    BOOL result = Delete(FullPath(fileName));
    Record("DeleteFileA", std::string(fileName) + ": " + Outcome(result), fileName, result);
    return result;
}

// A new directory whose parent exists; any name already there, a file's too, gives
// ERROR_ALREADY_EXISTS (Wine's conformance test test_CreateDirectoryA in
// dlls/kernel32/tests/directory.c, which also runs on Windows).
static BOOL MakeDirectory(const std::string &fullPath) {
    if (FindFile(fullPath) != nullptr || DirectoryExists(fullPath)) {
        SetError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!DirectoryExists(ParentOf(fullPath))) {
        SetError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    TheWorld().directories.emplace(Upper(fullPath), fullPath);
    SetError(ERROR_SUCCESS);
    return TRUE;
}

// A directory call on a path: an empty one names nothing.
static BOOL OnDirectory(const char *api, LPCSTR pathName, BOOL (*operation)(const std::string &)) {
    SimulatedCall call;
    std::string name = pathName ? pathName : "";
    BOOL result = FALSE;
    if (name.empty()) {
        SetError(ERROR_PATH_NOT_FOUND);
    } else {
        result = operation(FullPath(name));
    }
    Record(api, name + ": " + Outcome(result), name, result);
    return result;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES /*security*/) {
    return OnDirectory("CreateDirectoryA", pathName, MakeDirectory);
}

// Only an empty directory goes; a file is no directory, and neither a drive's root nor the
// process's current directory can be removed (the same test's test_RemoveDirectoryA).
static BOOL RemoveEmptyDirectory(const std::string &fullPath) {
    World &w = TheWorld();
    const std::string key = Upper(fullPath);
    if (FindFile(fullPath) != nullptr) {
        SetError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (w.directories.count(key) == 0) {
        SetError(DirectoryExists(fullPath) ? ERROR_ACCESS_DENIED : MissingError(fullPath));
        return FALSE;
    }
    if (!NamesInDirectory(fullPath).empty()) {
        SetError(ERROR_DIR_NOT_EMPTY);
        return FALSE;
    }
    if (key == Upper(FullPath(w.currentDirectory))) {
        SetError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    w.directories.erase(key);
    SetError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
    return OnDirectory("RemoveDirectoryA", pathName, RemoveEmptyDirectory);
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
    SimulatedCall call;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (fileName != nullptr) {
        std::string full = FullPath(fileName);
        const File *file = FindFile(full);
        if (file != nullptr) {
            attributes = file->readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
        } else if (DirectoryExists(full)) {
            attributes = FILE_ATTRIBUTE_DIRECTORY;
        } else {
            SetError(MissingError(full));
        }
    }
    Record("GetFileAttributesA",
           std::string(fileName ? fileName : "(null)") + ": " + std::to_string(attributes),
           fileName ? fileName : "", attributes != INVALID_FILE_ATTRIBUTES);
    return attributes;
}

// Only the read-only attribute of a file is kept; a directory takes any attributes and keeps none.
static BOOL SetAttributes(const std::string &fullPath, DWORD attributes) {
    File *file = FindFile(fullPath);
    if (file != nullptr) {
        file->readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    } else if (!DirectoryExists(fullPath)) {
        SetError(MissingError(fullPath));
        return FALSE;
    }
    SetError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
    SimulatedCall call;
    BOOL result = SetAttributes(FullPath(fileName), attributes);
    Record("SetFileAttributesA",
           std::string(fileName) + " " + std::to_string(attributes) + ": " + Outcome(result),
           fileName, result);
    return result;
}

// Opens an existing file for reading, as the loader opens its descriptor; other uses are not
// simulated. A directory cannot be opened this way.
static HANDLE OpenForReading(const std::string &fullPath, DWORD access, DWORD disposition) {
    if (access != GENERIC_READ || disposition != OPEN_EXISTING) {
        SetError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (FindFile(fullPath) == nullptr) {
        SetError(DirectoryExists(fullPath) ? ERROR_ACCESS_DENIED : MissingError(fullPath));
        return INVALID_HANDLE_VALUE;
    }
    SetError(ERROR_SUCCESS);
    return NewHandle(Handle{HandleKind::File, Upper(fullPath), 0});
}

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition,
                                     DWORD /*flags*/, HANDLE /*templateFile*/) {
    SimulatedCall call;
    HANDLE file = OpenForReading(FullPath(fileName ? fileName : ""), access, disposition);
    bool opened = file != INVALID_HANDLE_VALUE;
    Record("CreateFileA",
           std::string(fileName ? fileName : "(null)") + " share " + std::to_string(shareMode) +
               ": " + (opened ? "ok" : "error " + std::to_string(TheWorld().lastError)),
           fileName ? fileName : "", opened);
    return file;
}

static const File *FileOfHandle(HANDLE handle, HandleKind kind) {
    const Handle *found = FindHandle(handle);
    if (found == nullptr || found->kind != kind) {
        return nullptr;
    }
    auto file = TheWorld().files.find(found->name);
    return file == TheWorld().files.end() ? nullptr : &file->second;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    SimulatedCall call;
    const File *stored = FileOfHandle(file, HandleKind::File);
    DWORD size = INVALID_FILE_SIZE;
    if (stored == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
    } else {
        size = static_cast<DWORD>(stored->content.size());
        if (sizeHigh != nullptr) {
            *sizeHigh = 0;
        }
    }
    Record("GetFileSize", std::to_string(size), "", stored != nullptr);
    return size;
}

// A read-only mapping of a whole file; an empty file cannot be mapped, as on Windows.
extern "C" HANDLE WINAPI CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES /*security*/,
                                            DWORD protection, DWORD sizeHigh, DWORD sizeLow,
                                            LPCSTR name) {
    SimulatedCall call;
    const File *stored = FileOfHandle(file, HandleKind::File);
    HANDLE mapping = nullptr;
    if (stored == nullptr || protection != PAGE_READONLY || sizeHigh != 0 || sizeLow != 0 ||
        name != nullptr) {
        SetError(stored == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    } else if (stored->content.empty()) {
        SetError(ERROR_FILE_INVALID);
    } else {
        mapping = NewHandle(Handle{HandleKind::Mapping, FindHandle(file)->name, 0});
    }
    Record("CreateFileMappingA", mapping != nullptr ? "ok" : "error", "", mapping != nullptr);
    return mapping;
}

// A copy of the bytes in a block of exactly their size, kept until it is unmapped.
static const void *NewView(const std::string &content) {
    std::unique_ptr<char[]> bytes(new char[content.size()]);
    std::copy(content.begin(), content.end(), bytes.get());
    const void *address = bytes.get();
    return TheWorld().views.emplace(address, std::move(bytes)).first->second.get();
}

// The whole file, in a block of exactly its size, so that a read past its end is caught.
extern "C" LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh,
                                       DWORD offsetLow, size_t size) {
    SimulatedCall call;
    const File *stored = FileOfHandle(mapping, HandleKind::Mapping);
    const void *view = nullptr;
    if (stored == nullptr || access != FILE_MAP_READ || offsetHigh != 0 || offsetLow != 0 ||
        size != 0) {
        SetError(stored == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    } else {
        view = NewView(stored->content);
    }
    Record("MapViewOfFile", view != nullptr ? "ok" : "error", "", view != nullptr);
    return const_cast<void *>(view);
}

extern "C" BOOL WINAPI UnmapViewOfFile(const void *view) {
    SimulatedCall call;
    BOOL result = TheWorld().views.erase(view) != 0 ? TRUE : FALSE;
    if (!result) {
        SetError(ERROR_INVALID_PARAMETER);
    }
    Record("UnmapViewOfFile", result ? "ok" : "error", "", result);
    return result;
}

// Removes the last name and its backslash; a drive root keeps its backslash ("C:\a" -> "C:\"),
// leading "\" or "\\" are kept, and a bare name becomes empty. Forward slashes are not separators,
// and neither is a trail byte of 0x5C: the path is walked a character at a time, as CharNextA does.
extern "C" BOOL WINAPI PathRemoveFileSpecA(LPSTR path) {
    SimulatedCall call;
    BOOL modified = FALSE;
    std::string before = path ? path : "(null)";
    if (path != nullptr) {
        const char *cursor = path;
        const char *cut = path;
        if (*cursor == '\\') {
            cut = ++cursor;
        }
        if (*cursor == '\\') {
            cut = ++cursor;
        }
        while (*cursor != '\0') {
            if (*cursor == '\\') {
                cut = cursor;
            } else if (*cursor == ':') {
                cut = ++cursor;
                if (*cursor == '\\') {
                    ++cut;
                }
                if (*cursor == '\0') {
                    break;
                }
            }
            cursor = NextCharacter(cursor);
        }
        if (*cut != '\0') {
            path[cut - path] = '\0';
            modified = TRUE;
        }
    }
    Record("PathRemoveFileSpecA", before + " -> " + (path ? path : "(null)"));
    return modified;
}

} // namespace winsim
