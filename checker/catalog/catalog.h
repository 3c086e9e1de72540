// The rules' catalog: every fact of a rule in its one row (rules.def), named by an identifier the
// compiler checks. Findings, the reports and --list-findings take everything from the row.
#pragma once

#include "../model/described.h"

#include <cstddef>
#include <string_view>
#include <utility>

#define SEVERITY_ROWS(X)                                                                           \
    X(Error, "error", "error")                                                                     \
    X(Warning, "warning", "warning")                                                               \
    X(Info, "info", "info")
DESCRIBED_ENUM(Severity, SEVERITY_ROWS)

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

// Whether the words of a choice, "{Enumeration}" or "{name:words|name:words}", fit a value of
// that enumeration: its own name, or each of its values' names once.
template <typename Enumeration> constexpr bool ChoiceFits(std::string_view choice) {
    using Rows = Described<Enumeration>;
    if (choice.find(':') == std::string_view::npos) {
        return choice == Rows::kType;
    }
    unsigned long long named = 0;
    std::size_t alternatives = 0;
    for (std::size_t start = 0; start <= choice.size(); ++alternatives) {
        std::size_t end = choice.find('|', start);
        end = end == std::string_view::npos ? choice.size() : end;
        const std::string_view key = choice.substr(start, choice.find(':', start) - start);
        bool known = false;
        for (std::size_t value = 0; value < Rows::kCount; ++value) {
            if (key == Rows::kValues[value].name && (named & (1ull << value)) == 0) {
                named |= 1ull << value;
                known = true;
            }
        }
        if (!known || key.size() > end - start) {
            return false;
        }
        start = end + 1;
    }
    return alternatives == Rows::kCount;
}

// Whether every place of value `index` in a message takes a value of type Value: a described
// enumeration only in a choice that fits it, anything else only as itself ("%N").
template <typename Value> constexpr bool PlacesFit(const char *message, int index) {
    const std::string_view text = message;
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        if (text[at] != '%' || text[at + 1] != '0' + index) {
            continue;
        }
        const bool chosen = at + 2 < text.size() && text[at + 2] == '{';
        if constexpr (IsDescribed<Value>()) {
            const std::size_t close = text.find('}', at);
            if (!chosen || close == std::string_view::npos ||
                !ChoiceFits<Value>(text.substr(at + 3, close - at - 3))) {
                return false;
            }
        } else if (chosen) {
            return false;
        }
    }
    return true;
}

template <typename... Values, std::size_t... Indices>
constexpr bool ValuesFit([[maybe_unused]] const char *message,
                         std::index_sequence<Indices...> /*indices*/) {
    return (PlacesFit<Values>(message, static_cast<int>(Indices)) && ...);
}

// Whether a finding's values, in order, are the ones a rule's message takes.
template <typename... Values> constexpr bool ValuesFit(const char *message) {
    return static_cast<int>(sizeof...(Values)) == MessageArity(message) &&
           ValuesFit<Values...>(message, std::index_sequence_for<Values...>());
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
