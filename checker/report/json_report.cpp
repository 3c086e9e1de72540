// The JSON report. Its shape is docs/medium-check.schema.json; a change that breaks a reader of
// it raises kSchemaVersion.
#include "report.h"
#include "wording.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

const int kSchemaVersion = 1;

Json TextOrNull(const std::string &text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

Json ReadingJson(const Reading &reading) {
    const Record &record = reading.record;
    bool stored = record.state == RecordState::Present || record.state == RecordState::TooLong;
    return Json{{"source", SourceName(record.source)},
                {"view", TextOrNull(ViewName(record.view))},
                {"key", RecordKey(record)},
                {"state", StateName(record.state)},
                {"stored", stored ? Json(record.stored) : Json(nullptr)},
                {"read", record.read != 0},
                {"version", record.read ? Json(reading.version.text) : Json(nullptr)},
                {"isVersion", record.read && reading.version.isVersion},
                {"normalizedVersion", TextOrNull(reading.version.normalized)}};
}

Json DecisionJson(const Decision &decision, const VersionReading &travelling,
                  const Reading *reading) {
    return Json{{"action", decision.end == End::Install ? "install" : "nothing"},
                {"end", EndName(decision.end)},
                {"reason", DecisionReason(decision, travelling, reading)}};
}

Json Optional(const std::optional<Reading> &reading) {
    return reading ? ReadingJson(*reading) : Json(nullptr);
}

Json PackageJson(const Placement &placement) {
    Json found = placement.package == FileKind::Unknown ? Json(nullptr)
                                                        : Json(placement.package == FileKind::File);
    return Json{{"runsFrom", PlaceName(placement.place)},
                {"path", TextOrNull(placement.path)},
                {"stagingPath", TextOrNull(placement.stagingPath)},
                {"found", found},
                {"reason", PlacementReason(placement)}};
}

} // namespace

void PrintJson(std::ostream &out, const Observation &observation, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus) {
    const DescriptorFile &descriptor = observation.descriptor;
    const PackageDescriptor &values = descriptor.values;
    const Reading *installed = prediction.installed ? &*prediction.installed : nullptr;
    Json report{{"schemaVersion", kSchemaVersion},
                {"medium", observation.medium},
                {"programDirectory", observation.programDirectory},
                {"descriptor",
                 {{"path", TextOrNull(descriptor.path)},
                  {"found", descriptor.found},
                  {"complete", descriptor.complete != 0},
                  {"RuntimePackage", values.RuntimePackage},
                  {"RegPath", values.RegPath},
                  {"Version", values.Version},
                  {"isVersion", prediction.travelling.isVersion},
                  {"normalizedVersion", TextOrNull(prediction.travelling.normalized)}}},
                {"installed", Optional(prediction.installed)},
                {"otherView", Optional(prediction.otherView)},
                {"decision", DecisionJson(prediction.decision, prediction.travelling, installed)},
                {"package", prediction.placement ? PackageJson(*prediction.placement) : nullptr},
                {"nextStart", nullptr},
                {"findings", Json::array()},
                {"exitStatus", exitStatus}};
    if (prediction.next) {
        const NextStart &next = *prediction.next;
        Json json = DecisionJson(next.decision, prediction.travelling, &next.recorded);
        json["recorded"] = ReadingJson(next.recorded);
        report["nextStart"] = json;
    }
    for (const Finding &finding : findings) {
        report["findings"].push_back(Json{{"code", finding.rule->code},
                                          {"severity", SeverityName(finding.rule->severity)},
                                          {"where", WhereText(finding.subject)},
                                          {"message", FindingMessage(finding, prediction)}});
    }
    // Texts are the bytes the loader reads, in the machine's ANSI code page; bytes that are not
    // UTF-8 become U+FFFD here (finding MC105 reports such a descriptor).
    out << report.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}
