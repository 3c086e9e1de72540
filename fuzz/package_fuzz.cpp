// Arbitrary bytes as the runtime package, through the build machine's reader of each format: as an
// MSI (libmsi) and as a program (the bounded image reader, the version resource parser and the
// certificate table's look-up). The file lives in memory, named by its descriptor;
// -malloc_limit_mb in fuzz/run.sh holds the readers to a bounded allocation.
#include "observe/package_formats.h"
#include "observe/program_image.h"

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
    const PackageFacts program = ReadPackage(path, *FormatOfName("setup.exe"));
    if (program.damage.has_value() != (program.stored["state"] != NameOf(ProgramState::Program))) {
        abort();
    }
    // Only a file with a program's headers can be told unsigned by them.
    if (LacksCertificateTable(path) &&
        (program.damage == PackageDamage::Empty || program.damage == PackageDamage::NoHeaders)) {
        abort();
    }
    const PackageFacts msi = ReadPackage(path, *FormatOfName("setup.msi"));
    // What an MSI records is read exactly where its database is.
    if (msi.recording.has_value() == msi.damage.has_value()) {
        abort();
    }
    close(file);
    return 0;
}
