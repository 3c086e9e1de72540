#include "run_program_host.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

std::vector<char *> Pointers(std::vector<std::string> &texts) {
    std::vector<char *> pointers(texts.size() + 1, nullptr);
    std::transform(texts.begin(), texts.end(), pointers.begin(),
                   [](std::string &text) { return text.data(); });
    return pointers;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string> &words,
                      const std::vector<std::string> *environment) {
    ProgramRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        run.said = std::strerror(errno);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> arguments = words;
    std::vector<std::string> variables =
        environment != nullptr ? *environment : std::vector<std::string>();
    std::vector<char *> argumentPointers = Pointers(arguments);
    std::vector<char *> variablePointers = Pointers(variables);
    pid_t child = 0;
    const int status =
        posix_spawnp(&child, arguments[0].c_str(), &actions, nullptr, argumentPointers.data(),
                     environment != nullptr ? variablePointers.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (status != 0) {
        close(pipeEnds[0]);
        run.said = std::strerror(status);
        return run;
    }
    run.started = true;
    char chunk[4096];
    ssize_t read = 0;
    while ((read = ::read(pipeEnds[0], chunk, sizeof(chunk))) > 0) {
        run.said.append(chunk, static_cast<size_t>(read));
    }
    close(pipeEnds[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    run.exitStatus = WIFEXITED(exitStatus) ? WEXITSTATUS(exitStatus) : -1;
    return run;
}
