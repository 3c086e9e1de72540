// The JSON report. Its shape is docs/medium-check.schema.json; a change that breaks a reader of
// it raises kSchemaVersion.
#include "message.h"
#include "reasons.h"
#include "report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>

using Json = nlohmann::ordered_json;

namespace {

const int kSchemaVersion = 3;

Json TextOrNull(const std::string &text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

Json PositionJson(const TextPosition &at) {
    return at.line == 0 ? Json(nullptr) : Json{{"line", at.line}, {"column", at.column}};
}

Json PositionsJson(const DescriptorPositions &positions) {
    Json json{{"section", PositionJson(positions.section)}};
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        json[kDescriptorKeys[key]] = PositionJson(positions.values[key]);
    }
    return json;
}

// The descriptor as read, its three values by their keys.
Json DescriptorJson(const DescriptorFile &descriptor, const VersionReading &travelling) {
    Json json{{"path", TextOrNull(descriptor.path)},
              {"found", descriptor.found},
              {"complete", descriptor.complete != 0}};
    for (int key = 0; key < kDescriptorKeyCount; ++key) {
        json[kDescriptorKeys[key]] = descriptor.texts[key];
    }
    json["isVersion"] = travelling.isVersion;
    json["normalizedVersion"] = TextOrNull(travelling.normalized);
    json["places"] = PositionsJson(descriptor.positions);
    return json;
}

Json LocationJson(const Subject &subject) {
    if (subject.file.empty()) {
        return nullptr;
    }
    const TextPosition at{subject.line, subject.column};
    return Json{{"file", subject.file},
                {"line", at.line == 0 ? Json(nullptr) : Json(at.line)},
                {"column", at.line == 0 ? Json(nullptr) : Json(at.column)}};
}

Json ReadingJson(const Reading &reading) {
    const Record &record = reading.record;
    bool stored = record.state == RecordState::Present || record.state == RecordState::TooLong;
    return Json{{"source", NameOf(record.source)},
                {"view", TextOrNull(ViewName(record.view))},
                {"key", RecordKey(record)},
                {"state", NameOf(record.state)},
                {"stored", stored ? Json(record.stored) : Json(nullptr)},
                {"read", record.read != 0},
                {"version", record.read ? Json(reading.version.text) : Json(nullptr)},
                {"isVersion", record.read && reading.version.isVersion},
                {"normalizedVersion", TextOrNull(reading.version.normalized)}};
}

Json DecisionJson(const Decision &decision, const VersionReading &travelling,
                  const Reading *reading) {
    return Json{{"action", decision.end == End::Install ? "install" : "nothing"},
                {"end", NameOf(decision.end)},
                {"reason", DecisionReason(decision, travelling, reading)}};
}

Json Optional(const std::optional<Reading> &reading) {
    return reading ? ReadingJson(*reading) : Json(nullptr);
}

Json PackageJson(const PackageLaunch &launch) {
    Json found = launch.package == FileKind::Unknown ? Json(nullptr)
                                                     : Json(launch.package == FileKind::File);
    return Json{{"runsFrom", NameOf(launch.site)},
                {"path", TextOrNull(launch.path)},
                {"stagingPath", TextOrNull(launch.stagingPath)},
                {"found", found},
                {"reason", LaunchReason(launch)}};
}

// What was read of the package, the same on every build for the same file, under its format's
// name, with what it installs from beside itself; for a package whose records were read, the
// install context, whether it asks for elevation, and where each record lands.
Json PackageContentsJson(const PackageFacts &package, const Prediction &prediction) {
    Json json{{"type", package.format}, {"readable", !package.damage}};
    if (package.stored.is_null()) {
        return json;
    }
    Json contents = package.stored;
    if (package.external) {
        Json external = Json::array();
        std::transform(package.external->begin(), package.external->end(),
                       std::back_inserter(external), [](const ExternalSource &source) {
                           return Json{{"kind", NameOf(source.kind)}, {"name", source.name}};
                       });
        contents["external"] = external;
    }
    if (package.recording && prediction.package) {
        contents["installContext"] = NameOf(package.recording->context);
        contents["unelevated"] = package.recording->unelevated;
        Json writes = Json::array();
        const std::vector<PackageWrite> &bearing = prediction.package->writes;
        std::transform(bearing.begin(), bearing.end(), std::back_inserter(writes),
                       [](const PackageWrite &write) {
                           return Json{{"row", write.record.origin},
                                       {"hive", NameOf(write.record.hive)},
                                       {"key", write.key},
                                       {"name", write.record.name},
                                       {"type", NameOf(write.record.type)},
                                       {"data", write.data},
                                       {"view", write.view},
                                       {"lands", NameOf(write.landing)}};
                       });
        contents["writes"] = writes;
    }
    json[package.format] = contents;
    return json;
}

} // namespace

void PrintJson(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus) {
    const DescriptorFile &descriptor = observation.descriptor;
    const Reading *installed = prediction.installed ? &*prediction.installed : nullptr;
    Json report{{"schemaVersion", kSchemaVersion},
                {"machine",
                 {{"bits", observation.machine.bits},
                  {"codePage", observation.machine.codePage},
                  {"tempDirectory", observation.machine.tempDirectory}}},
                {"medium", observation.medium},
                {"programDirectory", observation.programDirectory},
                {"descriptor", DescriptorJson(descriptor, prediction.travelling)},
                {"installed", Optional(prediction.installed)},
                {"otherView", Optional(prediction.otherView)},
                {"decision", DecisionJson(prediction.decision, prediction.travelling, installed)},
                {"package", prediction.launch ? PackageJson(*prediction.launch) : nullptr},
                {"nextStart", nullptr},
                {"signatures", Json::array()},
                {"findings", Json::array()},
                {"exitStatus", exitStatus}};
    if (prediction.next) {
        const NextStart &next = *prediction.next;
        Json json = DecisionJson(next.decision, prediction.travelling, &next.recorded);
        json["recorded"] = ReadingJson(next.recorded);
        Json failures = Json::array();
        std::transform(prediction.failures.begin(), prediction.failures.end(),
                       std::back_inserter(failures),
                       [](InstallFailure failure) { return NameOf(failure); });
        json["installFails"] = failures;
        report["nextStart"] = json;
    } else if (prediction.nextUnknown) {
        report["nextStart"] = Json{{"action", "unknown"}, {"reason", kNextUnknown}};
    }
    for (const Signature &signature : observation.signatures) {
        report["signatures"].push_back(Json{{"file", signature.file},
                                            {"state", NameOf(signature.state)},
                                            {"signer", TextOrNull(signature.signer)},
                                            {"timestamp", TextOrNull(signature.timestamp)},
                                            {"validFrom", TextOrNull(signature.validFrom)},
                                            {"validTo", TextOrNull(signature.validTo)},
                                            {"code", TextOrNull(AnswerCode(signature))},
                                            {"detail", TextOrNull(signature.detail)}});
    }
    if (observation.naming) {
        const std::vector<FileSystem> &present = observation.naming->present;
        Json systems = Json::array();
        std::transform(present.begin(), present.end(), std::back_inserter(systems),
                       [](FileSystem system) { return NameOf(system); });
        const std::optional<FileSystem> &read = observation.naming->read;
        report["image"] =
            Json{{"fileSystems", systems}, {"read", read ? Json(NameOf(*read)) : Json(nullptr)}};
    }
    if (observation.package) {
        report["packageContents"] = PackageContentsJson(*observation.package, prediction);
    }
    for (const Finding &finding : findings) {
        const Rule &rule = RuleOf(finding.rule);
        report["findings"].push_back(Json{{"code", rule.code},
                                          {"severity", NameOf(rule.severity)},
                                          {"where", WhereText(finding.subject)},
                                          {"location", LocationJson(finding.subject)},
                                          {"message", MessageText(finding, prediction)}});
    }
    // Texts are the bytes the loader reads, in the machine's ANSI code page; bytes that are not
    // UTF-8 become U+FFFD here (finding MC105 reports such a descriptor).
    out << report.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void PrintRulesJson(std::ostream &out) {
    Json rules = Json::array();
    std::transform(std::begin(kRules), std::end(kRules), std::back_inserter(rules),
                   [](const Rule &rule) {
                       return Json{{"code", rule.code},       {"severity", NameOf(rule.severity)},
                                   {"anchor", rule.anchor},   {"title", rule.title},
                                   {"message", rule.message}, {"help", rule.help}};
                   });
    out << rules.dump(2) << "\n";
}
