// medium-check: tells a publisher what the loader will do with a medium, and why.
#include "findings.h"
#include "machine.h"
#include "options.h"
#include "prediction.h"
#include "report.h"

#include <iostream>

int main(int argc, char **argv) {
    Options options;
    int status = ParseOptions(argc, argv, &options);
    if (status >= 0) {
        return status;
    }
    MediumPlace place;
    std::string error;
    if (!PlaceMedium(options, &place, &error)) {
        std::cerr << "medium-check: " << error << "\n";
        return kExitUsage;
    }
    Prediction prediction = Predict(options, place);
    std::vector<Finding> findings = CollectFindings(prediction);
    status = ExitStatus(findings, options.strict);
    if (options.json) {
        PrintJson(std::cout, prediction, findings, status);
    } else {
        PrintText(std::cout, prediction, findings);
    }
    return status;
}
