// Arbitrary bytes as the runtime package, through the build machine's readers: as an MSI
// (libmsi) and as a program (the bounded image reader and the version resource parser). The file
// lives in memory, named by its descriptor; -malloc_limit_mb in fuzz/run.sh holds the readers to
// a bounded allocation.
#include "observe/package.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int file = memfd_create("package", 0);
    if (file < 0 || write(file, data, size) != static_cast<ssize_t>(size)) {
        abort();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(file);
    PackageFile program = ReadPackage(path, PackageType::Exe);
    if (program.readable != (program.exe->state == ProgramState::Program)) {
        abort();
    }
    ReadPackage(path, PackageType::Msi);
    close(file);
    return 0;
}
