// The report in the form the command line asks for.
#include "report.h"

#include "../rules/rules.h"

void PrintReport(std::ostream &out, Format format, const Observation &observation,
                 const Prediction &prediction, const std::vector<Finding> &findings,
                 int exitStatus) {
    switch (format) {
    case Format::Json:
        PrintJson(out, observation, prediction, findings, exitStatus);
        break;
    case Format::Sarif:
        PrintSarif(out, observation, prediction, findings, Rules());
        break;
    case Format::Text:
        PrintText(out, observation, prediction, findings);
        break;
    }
}
