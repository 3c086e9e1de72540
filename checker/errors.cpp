#include "errors.h"
#include "options.h"

#include <iostream>

int Refuse(const std::string &message) {
    std::cerr << kProgramName << ": " << message << "\n";
    return kExitUsage;
}
