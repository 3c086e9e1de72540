// medium-check: tells a publisher what the loader will do with a medium, and why. The machine is
// read once, the loader core predicts from what was read, the rules find, the reports word it.
#include "check.h"
#include "init.h"
#include "options.h"
#include "report/report.h"

#include <iostream>

int main(int argc, char **argv) {
    Options options;
    const int status = ParseOptions(argc, argv, &options);
    if (status >= 0) {
        return status;
    }
    if (options.init) {
        return RunInit(options);
    }
    if (options.listFindings) {
        switch (options.format) {
        case Format::Json:
            PrintRulesJson(std::cout);
            break;
        case Format::Markdown:
            PrintRulesMarkdown(std::cout);
            break;
        case Format::Text:
        case Format::Sarif:
            PrintRules(std::cout);
            break;
        }
        return kExitWorks;
    }
    bool errors = false;
    return CheckMedium(options, options.medium, "", &errors);
}
