// A program of the build machine run without a shell, with all it prints on both streams taken:
// the verifier of signatures and the disc image's writer.
#pragma once
#include <string>
#include <vector>

struct ProgramRun {
    bool started = false;
    std::string said;    // what it printed; why it could not be started when it was not
    int exitStatus = -1; // -1 when it did not end by exiting
};

// words[0] is looked up on PATH; environment replaces the caller's when it is given.
ProgramRun RunProgram(const std::vector<std::string> &words,
                      const std::vector<std::string> *environment = nullptr);
