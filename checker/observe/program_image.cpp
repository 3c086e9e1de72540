// Reads a PE file's DOS and COFF headers, its section table and its resource directory, and
// nothing else: each read is at most kPieceLimit bytes at an offset the headers give, so a
// package of any size costs the same.
#include "program_image.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

namespace {

const size_t kPieceLimit = static_cast<size_t>(64) * 1024;
const uint32_t kMaxSections = 96;
const uint32_t kResourceVersion = 16;
const uint32_t kResourceManifest = 24;
const uint32_t kSubdirectory = 0x80000000u;

struct Image {
    std::ifstream *in;
    uint64_t size;
    std::vector<uint8_t> sections; // the section table, 40 bytes a section
};

// Up to size bytes at offset, fewer where the file ends.
std::vector<uint8_t> ReadAt(const Image &image, uint64_t offset, size_t size) {
    if (offset >= image.size) {
        return {};
    }
    size = static_cast<size_t>(std::min<uint64_t>(
        {static_cast<uint64_t>(size), static_cast<uint64_t>(kPieceLimit), image.size - offset}));
    std::vector<uint8_t> bytes(size);
    image.in->clear();
    image.in->seekg(static_cast<std::streamoff>(offset));
    image.in->read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(image.in->gcount()));
    return bytes;
}

uint32_t Le(const std::vector<uint8_t> &bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | (at + i < bytes.size() ? bytes[at + i] : 0);
    }
    return value;
}

// The file offset of a relative virtual address, through the section that holds it.
bool OffsetOf(const Image &image, uint32_t rva, uint64_t *offset) {
    for (size_t at = 0; at + 40 <= image.sections.size(); at += 40) {
        uint32_t virtualSize = Le(image.sections, at + 8, 4);
        uint32_t address = Le(image.sections, at + 12, 4);
        uint32_t rawSize = Le(image.sections, at + 16, 4);
        uint32_t rawOffset = Le(image.sections, at + 20, 4);
        uint64_t extent = std::max(virtualSize, rawSize);
        if (rva >= address && rva - address < extent) {
            *offset = static_cast<uint64_t>(rawOffset) + (rva - address);
            return true;
        }
    }
    return false;
}

// The first entry of a resource directory whose id is wanted (any entry when wanted is 0), as
// the offset word of the entry; 0 when there is none.
uint32_t FindEntry(const Image &image, uint64_t base, uint32_t directory, uint32_t wanted) {
    std::vector<uint8_t> header = ReadAt(image, base + directory, 16);
    uint32_t count = Le(header, 12, 2) + Le(header, 14, 2);
    std::vector<uint8_t> entries =
        ReadAt(image, base + directory + 16, static_cast<size_t>(count) * 8);
    for (size_t at = 0; at + 8 <= entries.size(); at += 8) {
        uint32_t name = Le(entries, at, 4);
        if (wanted == 0 || name == wanted) {
            return Le(entries, at + 4, 4);
        }
    }
    return 0;
}

// The data of the first resource of a type, whatever its name and language.
std::string ReadResource(const Image &image, uint64_t base, uint32_t type) {
    uint32_t entry = FindEntry(image, base, 0, type);
    for (int level = 0; level < 2 && (entry & kSubdirectory) != 0; ++level) {
        entry = FindEntry(image, base, entry & ~kSubdirectory, 0);
    }
    if (entry == 0 || (entry & kSubdirectory) != 0) {
        return "";
    }
    std::vector<uint8_t> data = ReadAt(image, base + entry, 16);
    uint64_t offset = 0;
    if (data.size() < 16 || !OffsetOf(image, Le(data, 0, 4), &offset)) {
        return "";
    }
    std::vector<uint8_t> bytes = ReadAt(image, offset, Le(data, 4, 4));
    return std::string(bytes.begin(), bytes.end());
}

std::string ExecutionLevel(const std::string &manifest) {
    size_t at = manifest.find("requestedExecutionLevel");
    at = at == std::string::npos ? at : manifest.find("level=", at);
    if (at == std::string::npos || at + 7 >= manifest.size()) {
        return "";
    }
    char quote = manifest[at + 6];
    size_t end = manifest.find(quote, at + 7);
    return end == std::string::npos ? "" : manifest.substr(at + 7, end - at - 7);
}

} // namespace

void ReadProgramImage(const std::string &file, ProgramImage *contents,
                      std::string *versionResource) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    Image image{&in, in ? static_cast<uint64_t>(in.tellg()) : 0, {}};
    std::vector<uint8_t> dos = ReadAt(image, 0, 64);
    contents->state = image.size == 0 ? ProgramState::Empty : ProgramState::NoHeaders;
    if (dos.size() < 2 || dos[0] != 'M' || dos[1] != 'Z') {
        return;
    }
    contents->state = ProgramState::Truncated;
    uint32_t peOffset = Le(dos, 60, 4);
    std::vector<uint8_t> coff = ReadAt(image, peOffset, 24);
    if (dos.size() < 64 || coff.size() < 24) {
        return;
    }
    if (Le(coff, 0, 4) != 0x4550) {
        contents->state = ProgramState::NoHeaders;
        return;
    }
    contents->machine = static_cast<int>(Le(coff, 4, 2));
    uint32_t sectionCount = std::min(Le(coff, 6, 2), kMaxSections);
    uint32_t optionalSize = Le(coff, 20, 2);
    std::vector<uint8_t> optional = ReadAt(image, peOffset + 24ull, optionalSize);
    image.sections =
        ReadAt(image, peOffset + 24ull + optionalSize, static_cast<size_t>(sectionCount) * 40);
    if (optional.size() < optionalSize ||
        image.sections.size() < static_cast<size_t>(sectionCount) * 40) {
        return;
    }
    for (size_t at = 0; at + 40 <= image.sections.size(); at += 40) {
        if (static_cast<uint64_t>(Le(image.sections, at + 20, 4)) + Le(image.sections, at + 16, 4) >
            image.size) {
            return;
        }
    }
    contents->state = ProgramState::Program;
    // The data directories follow the optional header's fixed part, 96 bytes in PE32, 112 in
    // PE32+; the resource directory is the third.
    size_t directories = Le(optional, 0, 2) == 0x20b ? 112 : 96;
    uint32_t resourceRva = Le(optional, directories + 16, 4);
    uint64_t base = 0;
    if (Le(optional, directories - 4, 4) < 3 || resourceRva == 0 ||
        !OffsetOf(image, resourceRva, &base)) {
        return;
    }
    *versionResource = ReadResource(image, base, kResourceVersion);
    contents->executionLevel = ExecutionLevel(ReadResource(image, base, kResourceManifest));
}

bool LacksCertificateTable(const std::string &file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    Image image{&in, in ? static_cast<uint64_t>(in.tellg()) : 0, {}};
    std::vector<uint8_t> dos = ReadAt(image, 0, 64);
    if (dos.size() < 64 || dos[0] != 'M' || dos[1] != 'Z') {
        return false;
    }
    uint32_t peOffset = Le(dos, 60, 4);
    std::vector<uint8_t> coff = ReadAt(image, peOffset, 24);
    if (coff.size() < 24 || Le(coff, 0, 4) != 0x4550) {
        return false;
    }
    std::vector<uint8_t> optional = ReadAt(image, peOffset + 24ull, Le(coff, 20, 2));
    // The certificate table is the fifth data directory; its second word is its size.
    size_t directories = Le(optional, 0, 2) == 0x20b ? 112 : 96;
    if (optional.size() < directories) {
        return false;
    }
    if (Le(optional, directories - 4, 4) < 5) {
        return true;
    }
    return optional.size() >= directories + 40 && Le(optional, directories + 36, 4) == 0;
}
