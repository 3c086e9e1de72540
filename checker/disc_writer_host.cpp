// The build machine: xorriso in its mkisofs mode. Joliet (-J) gives Windows the names as they are
// up to 64 characters; Rock Ridge (-r) gives them to Linux, with owners and modes made neutral.
// xorriso takes its volume dates from SOURCE_DATE_EPOCH and each file's dates from its mtime,
// so every mtime is set to the epoch first.
#include "disc_writer.h"
#include "observe/run_program_host.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char kWriter[] = "xorriso";

bool SetDate(const fs::path &path, std::int64_t epoch, std::string *error) {
    const timespec times[2] = {{static_cast<time_t>(epoch), 0}, {static_cast<time_t>(epoch), 0}};
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool SetDates(const fs::path &directory, std::int64_t epoch, std::string *error) {
    std::error_code status;
    fs::recursive_directory_iterator entries(directory, status);
    return std::all_of(begin(entries), end(entries),
                       [&](const fs::directory_entry &entry) {
                           return SetDate(entry.path(), epoch, error);
                       }) &&
           SetDate(directory, epoch, error);
}

} // namespace

bool WriteDiscImage(const std::string &directory, const std::string &image, std::int64_t epoch,
                    std::string *error) {
    if (!SetDates(directory, epoch, error)) {
        return false;
    }
    const std::vector<std::string> environment = {"SOURCE_DATE_EPOCH=" + std::to_string(epoch),
                                                  "LC_ALL=C"};
    const ProgramRun run =
        RunProgram({kWriter, "-report_about", "SORRY", "-as", "mkisofs", "-quiet", "-J", "-r", "-V",
                    kVolumeId, "-o", image, directory},
                   &environment);
    if (!run.started) {
        *error = std::string(kWriter) + " cannot be started: " + run.said;
        return false;
    }
    if (run.exitStatus != 0) {
        *error = std::string(kWriter) + " could not write " + image + ":\n" + run.said;
        return false;
    }
    return true;
}
