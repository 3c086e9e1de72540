// Arbitrary bytes as a disc image from block 16 on (the system area before it is zeros, which no
// reader looks at), through the build machine's image reader: its volume descriptors, directory
// records, Rock Ridge names through libcdio and UDF through libudfread, and every file streamed
// out.
// -malloc_limit_mb in fuzz/run.sh holds it to a bounded allocation.
#include "observe/disc_image.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    int file = memfd_create("image", 0);
    const std::vector<uint8_t> systemArea(16 * 2048, 0);
    if (file < 0 ||
        write(file, systemArea.data(), systemArea.size()) !=
            static_cast<ssize_t>(systemArea.size()) ||
        write(file, data, size) != static_cast<ssize_t>(size)) {
        abort();
    }
    const std::string path = "/proc/self/fd/" + std::to_string(file);
    ImageReading reading;
    std::string error;
    const ImageOpening opening = ReadDiscImage(path, &reading, &error);
    if ((opening == ImageOpening::Unreadable) == error.empty() ||
        (opening == ImageOpening::NotAnImage) == IsDiscImage(path)) {
        abort();
    }
    if (opening == ImageOpening::Image) {
        const MediumNaming image = CompareImageNames(reading);
        if (image.read.has_value() != reading.windows.has_value()) {
            abort();
        }
        for (const ImageEntry &entry :
             reading.windows ? reading.windows->entries : std::vector<ImageEntry>()) {
            if (entry.path.empty() || entry.path.find("//") != std::string::npos) {
                abort();
            }
            if (!entry.directory) {
                ExtractImageFile(reading, entry, "/dev/null");
            }
        }
    }
    close(file);
    return 0;
}
