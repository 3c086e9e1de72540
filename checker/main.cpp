// medium-check: tells a publisher what the loader will do with a medium, and why. The machine is
// read once, the loader core predicts from what was read, the rules find, the reports word it.
#include "init.h"
#include "observe/observe.h"
#include "options.h"
#include "predict/predict.h"
#include "report/report.h"
#include "rules/rules.h"

#include <iostream>

int main(int argc, char **argv) {
    Options options;
    int status = ParseOptions(argc, argv, &options);
    if (status >= 0) {
        return status;
    }
    if (options.init) {
        return RunInit(options);
    }
    if (options.listFindings) {
        PrintRules(std::cout, Rules());
        return kExitWorks;
    }
    Observation observation;
    std::string error;
    if (!Observe(options, &observation, &error)) {
        std::cerr << "medium-check: " << error << "\n";
        return kExitUsage;
    }
    const Prediction prediction = Predict(observation);
    const std::vector<Finding> findings = CollectFindings(observation, prediction);
    status = ExitStatus(findings, options.strict);
    PrintReport(std::cout, options.format, observation, prediction, findings, status);
    return status;
}
