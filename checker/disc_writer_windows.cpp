// Windows: a medium-check.exe reads a medium as Windows shows it; images are made on the build
// machine.
#include "disc_writer.h"

bool WriteDiscImage(const std::string & /*directory*/, const std::string & /*image*/,
                    std::int64_t /*epoch*/, std::string *error) {
    *error = "medium-check.exe does not write disc images: run medium-check init --iso on the "
             "build machine";
    return false;
}
