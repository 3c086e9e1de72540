// The rules as the publisher's guide lists them, made from the catalog so the guide cannot drift
// from it (scripts/findings-table.py writes it into docs/publishing.md).
#include "report.h"

void PrintRulesMarkdown(std::ostream &out) {
    out << "| Code | Severity | Finding | Why it matters, and the fix |\n"
        << "|---|---|---|---|\n";
    for (const Rule &rule : kRules) {
        out << "| <a id=\"" << rule.anchor << "\"></a>" << rule.code << " | "
            << NameOf(rule.severity) << " | " << rule.title << " | " << rule.help << " |\n";
    }
}
