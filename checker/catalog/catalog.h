// The rules' catalog: every fact of a rule in its one row (rules.def), named by an identifier the
// compiler checks. Findings, the reports and --list-findings take everything from the row.
#pragma once

enum class Severity { Error, Warning, Info };

enum class RuleId {
#define RULE(identifier, code, severity, anchor, title, message, help) identifier,
#include "rules.def"
#undef RULE
};

struct Rule {
    RuleId id;
    const char *code; // stable: MC<group><number>
    Severity severity;
    const char *anchor;  // the rule's row in docs/publishing.md
    const char *title;   // one line, Markdown, as the guide lists it
    const char *message; // the finding's sentence, with its values' places
    const char *help;    // why it matters and the fix, Markdown, as the guide gives them
};

inline constexpr Rule kRules[] = {
#define RULE(identifier, code, severity, anchor, title, message, help)                             \
    {RuleId::identifier, code, Severity::severity, anchor, title, message, help},
#include "rules.def"
#undef RULE
};

constexpr const Rule &RuleOf(RuleId id) {
    return kRules[static_cast<int>(id)];
}

// The number of values a message takes, one more than its highest %N, choices' words included;
// -1 when a '%' starts nothing the report fills in, or a choice is not closed or holds another.
constexpr int MessageArity(const char *message) {
    int arity = 0;
    bool inChoice = false;
    for (const char *c = message; *c != '\0'; ++c) {
        if (*c == '}') {
            inChoice = false;
        }
        if (*c != '%') {
            continue;
        }
        if (c[1] == 'n' && c[2] == 'e' && c[3] == 'x' && c[4] == 't') {
            c += 4;
            continue;
        }
        if (c[1] < '0' || c[1] > '9') {
            return -1;
        }
        ++c;
        arity = *c - '0' + 1 > arity ? *c - '0' + 1 : arity;
        if (c[1] == '{') {
            if (inChoice) {
                return -1;
            }
            inChoice = true;
            ++c;
        }
    }
    return inChoice ? -1 : arity;
}

// Every message is one the report can fill in, and the rows stand in the order of their
// identifiers.
constexpr bool CatalogIsSound() {
    int index = 0;
    // A loop, since the standard algorithms are not constexpr before C++20.
    for (const Rule &rule : kRules) {
        // cppcheck-suppress useStlAlgorithm
        if (MessageArity(rule.message) < 0 || static_cast<int>(rule.id) != index++) {
            return false;
        }
    }
    return true;
}
static_assert(CatalogIsSound(), "a rule's message cannot be filled in");
