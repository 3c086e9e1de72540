// The layers in their order: what is read of the machine, what the loader will do, the findings,
// and the report in the form asked for.
#include "check.h"
#include "errors.h"

#include "observe/observe.h"
#include "predict/predict.h"
#include "report/report.h"
#include "rules/rules.h"

#include <iostream>

int CheckMedium(const Options &options, const std::string &medium, const std::string &shownAs,
                bool *errors) {
    const ObserveRequest request{medium, options.installed, options.view, options.machine};
    Observation observation;
    std::string error;
    if (!Observe(request, &observation, &error)) {
        return Refuse(error);
    }
    if (!shownAs.empty()) {
        NameMedium(shownAs, &observation);
    }
    const Prediction prediction = Predict(observation, options.records);
    const std::vector<Finding> findings = CollectFindings(observation, prediction);
    *errors = Fails(findings, false);
    const int status = Fails(findings, options.strict) ? kExitError : kExitWorks;
    switch (options.format) {
    case Format::Json:
        PrintJson(std::cout, observation, prediction, findings, status);
        break;
    case Format::Sarif:
        PrintSarif(std::cout, observation, prediction, findings);
        break;
    case Format::Text:
    case Format::Markdown:
        PrintText(std::cout, observation, prediction, findings);
        break;
    }
    return status;
}
