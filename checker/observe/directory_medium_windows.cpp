// Windows: a directory where it lies, found as the loader finds its own, from a program's full
// path; the checker's own directory when none is given.
#include "medium_kinds.h"

#include <loader.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

std::string DirectoryOf(const std::string &path) {
    return path.substr(0, path.find_last_of('\\'));
}

class DirectoryMedium : public Medium {
  public:
    DirectoryMedium(std::string directory, std::string loaderPath)
        : directory_(std::move(directory)), loaderPath_(std::move(loaderPath)) {}
    std::string LoaderPath() const override {
        return loaderPath_;
    }
    std::string Directory() const override {
        return directory_;
    }
    std::optional<MediumNaming> Naming() const override {
        return std::nullopt;
    }
    bool IsFile() const override {
        return false;
    }

    MachineFile LookUp(const std::string &path) override {
        MachineFile file;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        file.kind = attributes == INVALID_FILE_ATTRIBUTES          ? FileKind::Missing
                    : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                                   : FileKind::File;
        if (file.kind != FileKind::Missing) {
            file.hostPath = path;
        }
        char full[MAX_PATH] = {0};
        const std::string root = directory_ + "\\";
        if (GetFullPathNameA(path.c_str(), sizeof(full), full, NULL) < sizeof(full) &&
            CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, full, static_cast<int>(root.size()),
                           root.c_str(), static_cast<int>(root.size())) == CSTR_EQUAL) {
            file.nameOnMedium = full + root.size();
            std::replace(file.nameOnMedium.begin(), file.nameOnMedium.end(), '\\', '/');
        }
        return file;
    }

  private:
    std::string directory_;
    std::string loaderPath_;
};

} // namespace

bool TakesDirectory(const std::string &path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return path.empty() ||
           (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

std::unique_ptr<Medium> OpenDirectory(const std::string &path, std::string *error) {
    char loader[kPathCapacity] = {0};
    int whole = 0;
    if (path.empty()) {
        whole = ReadModulePath(loader);
    } else {
        // A path that does not fit is not written: the size it needs comes back instead.
        const std::string program = path + "\\" + kLoaderName;
        whole = GetFullPathNameA(program.c_str(), sizeof(loader), loader, NULL) < sizeof(loader);
    }
    const std::string directory = DirectoryOf(whole ? loader : path);
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (listing == INVALID_HANDLE_VALUE) {
        *error = (path.empty() ? directory : path) + ": not a directory that can be read";
        return nullptr;
    }
    FindClose(listing);
    return std::make_unique<DirectoryMedium>(directory, whole ? loader : "");
}
