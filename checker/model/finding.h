// A finding: which rule, about what, with the values its message quotes. Everything else about
// it (code, severity, words) is its rule's row in the catalog.
#pragma once

#include "../catalog/catalog.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a finding is about.
enum class SubjectKind {
    Medium,        // the medium's directory
    Descriptor,    // autorun.inf as a whole; line, when known
    DescriptorKey, // one value of section [autorun]
    File,          // a file on the machine
    RegistryKey    // HKLM\Software\<RegPath> in a view
};

struct Subject {
    SubjectKind kind = SubjectKind::Medium;
    std::string name; // the key's name, the file's path or the registry key
    int view = 0;     // registry view, 0 for none
    std::string file; // the file it is in or about, relative to the medium; empty for none
    int line = 0;     // the position in that file, 0 for none
    int column = 0;
    std::optional<std::uintmax_t> length; // a finding about all of a file there: its bytes
};

// A value a message quotes: a text, or a value of a described enumeration by its stable name,
// with its words.
struct FindingValue {
    std::string text;
    std::string words; // an enumeration's value's words; empty for a text
};

struct Finding {
    RuleId rule;
    Subject subject;
    std::vector<FindingValue> values; // what the message quotes, %0 first
};
