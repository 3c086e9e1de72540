// The groups in the order of their codes; a descriptor the loader cannot read leaves nothing
// for the others to check.
#include "groups.h"

#include <algorithm>

std::vector<Finding> CollectFindings(const Observation &observation, const Prediction &prediction) {
    Findings findings;
    CheckDescriptor(observation, prediction, &findings);
    if (observation.descriptor.complete) {
        CheckVersion(observation, prediction, &findings);
        CheckRegistry(observation, prediction, &findings);
        CheckPackage(observation, prediction, &findings);
        CheckRuntimePackage(observation, prediction, &findings);
    }
    CheckSignatures(observation, prediction, &findings);
    CheckImage(observation, prediction, &findings);
    return findings;
}

bool Fails(const std::vector<Finding> &findings, bool strict) {
    return std::any_of(findings.begin(), findings.end(), [&](const Finding &finding) {
        const Severity severity = RuleOf(finding.rule).severity;
        return severity == Severity::Error || (strict && severity == Severity::Warning);
    });
}
