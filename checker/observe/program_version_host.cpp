// The build machine: a program's version resource, as the image reader found its bytes, parsed
// here as the version API parses it.
#include "program_version.h"

#include <algorithm>
#include <cstdint>

namespace {

struct Node {
    size_t end; // where the node ends
    std::string key;
    size_t value;       // where its value starts
    size_t valueLength; // as stored: bytes, or characters for text
    size_t children;    // where its children start
};

uint32_t Le(const std::string &bytes, size_t at, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | (at + i < bytes.size() ? static_cast<uint8_t>(bytes[at + i]) : 0);
    }
    return value;
}

size_t Aligned(size_t at) {
    return (at + 3) & ~static_cast<size_t>(3);
}

// UTF-16 text from at up to its terminator or limit, each character outside ASCII as '?', as the
// ANSI call gives it in a code page that lacks the character.
std::string Narrow(const std::string &bytes, size_t at, size_t limit, size_t *after) {
    std::string text;
    limit = std::min(limit, bytes.size());
    while (at + 1 < limit) {
        uint32_t c = Le(bytes, at, 2);
        at += 2;
        if (c == 0) {
            break;
        }
        text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    *after = at;
    return text;
}

// A version resource node: its length, value length, type and key, padded to four bytes.
bool ReadNode(const std::string &bytes, size_t at, size_t limit, Node *node) {
    size_t length = Le(bytes, at, 2);
    if (length < 6 || at + length > std::min(limit, bytes.size())) {
        return false;
    }
    node->end = at + length;
    node->valueLength = Le(bytes, at + 2, 2);
    bool text = Le(bytes, at + 4, 2) == 1;
    size_t after = 0;
    node->key = Narrow(bytes, at + 6, node->end, &after);
    node->value = Aligned(after);
    size_t valueBytes = text ? node->valueLength * 2 : node->valueLength;
    node->children = Aligned(node->value + valueBytes);
    return true;
}

std::string Dotted(uint32_t high, uint32_t low) {
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
           std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

// The first string table's FileVersion and ProductVersion.
void ReadStrings(const std::string &bytes, const Node &info, ProgramImage *program) {
    Node table;
    if (!ReadNode(bytes, info.children, info.end, &table)) {
        return;
    }
    Node entry;
    for (size_t at = table.children; at < table.end && ReadNode(bytes, at, table.end, &entry);
         at = Aligned(entry.end)) {
        size_t after = 0;
        std::string value = Narrow(bytes, entry.value, entry.end, &after);
        if (entry.key == "FileVersion") {
            program->fileVersion = value;
        } else if (entry.key == "ProductVersion") {
            program->productVersion = value;
        }
    }
}

const uint32_t kFixedSignature = 0xFEEF04BD;

} // namespace

void ReadProgramVersion(const std::string & /*file*/, const std::string &resource,
                        ProgramImage *program) {
    Node root;
    if (!ReadNode(resource, 0, resource.size(), &root) || root.key != "VS_VERSION_INFO" ||
        root.valueLength < 52 || Le(resource, root.value, 4) != kFixedSignature) {
        return;
    }
    program->hasVersion = true;
    program->fixedFileVersion =
        Dotted(Le(resource, root.value + 8, 4), Le(resource, root.value + 12, 4));
    program->fixedProductVersion =
        Dotted(Le(resource, root.value + 16, 4), Le(resource, root.value + 20, 4));
    Node child;
    for (size_t at = root.children; at < root.end && ReadNode(resource, at, root.end, &child);
         at = Aligned(child.end)) {
        if (child.key == "StringFileInfo") {
            ReadStrings(resource, child, program);
        }
    }
}
