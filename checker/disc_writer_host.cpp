// The build machine: xorriso in its mkisofs mode. Joliet (-J) gives Windows the names as they are
// up to 64 characters; Rock Ridge (-r) gives them to Linux, with owners and modes made neutral.
// xorriso takes its volume dates from SOURCE_DATE_EPOCH and each file's dates from its mtime,
// so every mtime is set to the epoch first.
#include "disc_writer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::string words[] = {
        kWriter, "-report_about", "SORRY", "-as", "mkisofs", "-quiet", "-J", "-r",
        "-V",    kVolumeId,       "-o",    image, directory};
    char *arguments[std::size(words) + 1] = {};
    for (size_t i = 0; i < std::size(words); ++i) {
        arguments[i] = words[i].data();
    }
    const std::string date = "SOURCE_DATE_EPOCH=" + std::to_string(epoch);
    std::string environment[] = {date, "LC_ALL=C"};
    char *variables[] = {environment[0].data(), environment[1].data(), nullptr};
    pid_t child = 0;
    const int status = posix_spawnp(&child, kWriter, &actions, nullptr, arguments, variables);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (status != 0) {
        close(pipeEnds[0]);
        *error = std::string(kWriter) + " cannot be started: " + std::strerror(status);
        return false;
    }
    std::string said;
    char chunk[4096];
    ssize_t read = 0;
    while ((read = ::read(pipeEnds[0], chunk, sizeof(chunk))) > 0) {
        said.append(chunk, static_cast<size_t>(read));
    }
    close(pipeEnds[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    if (!WIFEXITED(exitStatus) || WEXITSTATUS(exitStatus) != 0) {
        *error = std::string(kWriter) + " could not write " + image + ":\n" + said;
        return false;
    }
    return true;
}
