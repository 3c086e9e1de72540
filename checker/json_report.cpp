// The JSON report. Its shape is docs/medium-check.schema.json; a change that breaks a reader of
// it raises kSchemaVersion.
#include "findings.h"
#include "report.h"

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

namespace {

const int kSchemaVersion = 1;

Json TextOrNull(const std::string &text) {
    return text.empty() ? Json(nullptr) : Json(text);
}

Json Reading(const InstalledReading &reading) {
    bool stored = reading.state == RecordState::Present || reading.state == RecordState::TooLong;
    return Json{{"source", reading.source},
                {"view", TextOrNull(reading.view)},
                {"key", reading.key},
                {"state", StateName(reading.state)},
                {"stored", stored ? Json(reading.stored) : Json(nullptr)},
                {"read", reading.read},
                {"version", reading.read ? Json(reading.version.text) : Json(nullptr)},
                {"isVersion", reading.read && reading.version.isVersion},
                {"normalizedVersion", TextOrNull(reading.version.normalized)}};
}

Json DecisionJson(const Decision &decision) {
    return Json{{"action", decision.end == End::Install ? "install" : "nothing"},
                {"end", EndName(decision.end)},
                {"reason", decision.reason}};
}

Json Optional(const std::optional<InstalledReading> &reading) {
    return reading ? Reading(*reading) : Json(nullptr);
}

} // namespace

void PrintJson(std::ostream &out, const Prediction &prediction,
               const std::vector<Finding> &findings, int exitStatus) {
    const PackageDescriptor &descriptor = prediction.descriptor;
    Json report{{"schemaVersion", kSchemaVersion},
                {"medium", prediction.medium},
                {"programDirectory", prediction.programDirectory},
                {"descriptor",
                 {{"path", TextOrNull(prediction.descriptorPath)},
                  {"found", prediction.descriptorFound},
                  {"complete", prediction.complete},
                  {"RuntimePackage", descriptor.RuntimePackage},
                  {"RegPath", descriptor.RegPath},
                  {"Version", descriptor.Version},
                  {"isVersion", prediction.travelling.isVersion},
                  {"normalizedVersion", TextOrNull(prediction.travelling.normalized)}}},
                {"installed", Optional(prediction.installed)},
                {"otherView", Optional(prediction.otherView)},
                {"decision", DecisionJson(prediction.decision)},
                {"package", nullptr},
                {"nextStart", nullptr},
                {"findings", Json::array()},
                {"exitStatus", exitStatus}};
    if (prediction.placement) {
        const Placement &placement = *prediction.placement;
        Json found = placement.package == Presence::Unknown
                         ? Json(nullptr)
                         : Json(placement.package == Presence::Found);
        report["package"] = Json{{"runsFrom", PlaceName(placement.place)},
                                 {"path", TextOrNull(placement.path)},
                                 {"stagingPath", TextOrNull(placement.stagingPath)},
                                 {"found", found},
                                 {"reason", placement.reason}};
    }
    if (prediction.next) {
        Json next = DecisionJson(prediction.next->decision);
        next["recorded"] = Reading(prediction.next->recorded);
        report["nextStart"] = next;
    }
    for (const Finding &finding : findings) {
        report["findings"].push_back(Json{{"code", finding.code},
                                          {"severity", SeverityName(finding.severity)},
                                          {"where", finding.where},
                                          {"message", finding.message}});
    }
    // Texts are the bytes the loader reads, in the machine's ANSI code page; bytes that are not
    // UTF-8 become U+FFFD here (finding MC105 reports such a descriptor).
    out << report.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

const char *EndName(End end) {
    switch (end) {
    case End::IncompleteDescriptor:
        return "incomplete-descriptor";
    case End::UpToDate:
        return "up-to-date";
    case End::Install:
        return "install";
    }
    return "";
}

const char *StateName(RecordState state) {
    switch (state) {
    case RecordState::Present:
        return "present";
    case RecordState::NoKey:
        return "no-key";
    case RecordState::Unopenable:
        return "unopenable";
    case RecordState::NoValue:
        return "no-value";
    case RecordState::TooLong:
        return "too-long";
    case RecordState::KeyTooLong:
        return "key-too-long";
    case RecordState::NotInstalled:
        return "not-installed";
    }
    return "";
}

const char *PlaceName(Place place) {
    switch (place) {
    case Place::Staging:
        return "staging";
    case Place::Medium:
        return "medium";
    case Place::Nowhere:
        return "nowhere";
    }
    return "";
}
