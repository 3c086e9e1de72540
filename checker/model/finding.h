// A finding: which rule, about what, with the values its message quotes. The words are the
// report's; the rule's code, severity and title are the rules table's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class Severity { Error, Warning, Info };

struct Rule {
    const char *code; // stable: MC<group><number>
    Severity severity;
    const char *title;  // one line, as the publisher's guide lists it
    const char *anchor; // the finding's row in docs/publishing.md
};

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
    int line = 0;     // the place in that file, 0 for none
    int column = 0;
    std::optional<std::uintmax_t> length; // a finding about all of a file there: its bytes
};

struct Finding {
    const Rule *rule;
    Subject subject;
    std::vector<std::string> values; // what the message quotes, in the order its rule names them
};

// Exit statuses: the medium works, a finding fails it, the command line was wrong.
enum { kExitWorks = 0, kExitError = 1, kExitUsage = 2 };
