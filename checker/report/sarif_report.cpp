// SARIF 2.1.0: one run of the checker. The rules are the catalog's, each with its row of the
// publisher's guide; each result points at its rule and at a region of a file relative to the
// medium (the base MEDIUM), as compilers and linters write it.
#include "message.h"
#include "report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <iterator>

using Json = nlohmann::ordered_json;

namespace {

const char kGuide[] = "https://corvane.example/docs/publishing.md#";
const char kMediumBase[] = "MEDIUM";

// SARIF's levels are the severities' names, but for "note".
const char *Level(Severity severity) {
    return severity == Severity::Info ? "note" : NameOf(severity);
}

// A path as a URI reference: the unreserved characters and '/' as they are, the rest escaped.
std::string UriOf(const std::string &path) {
    std::string uri;
    for (unsigned char c : path) {
        if (std::isalnum(c) ||
            std::string("-._~/").find(static_cast<char>(c)) != std::string::npos) {
            uri += static_cast<char>(c);
        } else {
            const char digits[] = "0123456789ABCDEF";
            uri += {'%', digits[c >> 4], digits[c & 15]};
        }
    }
    return uri;
}

std::string Sentence(const std::string &text) {
    return text.empty() || text.back() == '.' ? text : text + ".";
}

Json RuleJson(const Rule &rule) {
    return Json{{"id", rule.code},
                {"shortDescription", {{"text", Sentence(PlainText(rule.title))}}},
                {"fullDescription", {{"text", PlainText(rule.help)}, {"markdown", rule.help}}},
                {"defaultConfiguration", {{"level", Level(rule.severity)}}},
                {"helpUri", std::string(kGuide) + rule.anchor}};
}

Json ResultJson(const Finding &finding, const Prediction &prediction) {
    const Rule &rule = RuleOf(finding.rule);
    Json result{{"ruleId", rule.code},
                {"ruleIndex", static_cast<int>(finding.rule)},
                {"level", Level(rule.severity)},
                {"message", {{"text", Sentence(MessageText(finding, prediction))}}}};
    const Subject &subject = finding.subject;
    if (subject.file.empty()) {
        result["locations"] = Json::array(
            {{{"logicalLocations", Json::array({{{"fullyQualifiedName", WhereText(subject)}}})}}});
        return result;
    }
    Json physical{{"artifactLocation", {{"uri", UriOf(subject.file)}, {"uriBaseId", kMediumBase}}}};
    if (subject.line != 0) {
        physical["region"] = {{"startLine", subject.line}, {"startColumn", subject.column}};
    } else if (subject.length) {
        physical["region"] = {{"byteOffset", 0}, {"byteLength", *subject.length}};
    }
    result["locations"] = Json::array({{{"physicalLocation", physical}}});
    return result;
}

} // namespace

void PrintSarif(std::ostream &out, const Observation &observation, const Prediction &prediction,
                const std::vector<Finding> &findings) {
    Json driver{{"name", "medium-check"},
                {"version", MEDIUM_CHECK_VERSION},
                {"informationUri", std::string(kGuide) + "checking-a-medium-with-medium-check"},
                {"rules", Json::array()}};
    for (const Rule &rule : kRules) {
        driver["rules"].push_back(RuleJson(rule));
    }
    Json results = Json::array();
    std::transform(findings.begin(), findings.end(), std::back_inserter(results),
                   [&](const Finding &finding) { return ResultJson(finding, prediction); });
    std::string base = observation.mediumAbsolute;
    base += base.empty() || base.back() == '/' ? "" : "/";
    base = base.front() == '/' ? base : "/" + base;
    Json run{{"tool", {{"driver", driver}}},
             {"originalUriBaseIds", {{kMediumBase, {{"uri", "file://" + UriOf(base)}}}}},
             {"results", results}};
    Json log{{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
             {"version", "2.1.0"},
             {"runs", Json::array({run})}};
    out << log.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}
