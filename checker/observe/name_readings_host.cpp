// The build machine: the loader's own descriptor reader and the medium, in the simulated Windows
// set to each code page in turn.
#include "name_readings.h"
#include "unicode_names.h"

#include <loader.h>
#include <paths.h>
#include <winsim.h>

std::vector<NameReading> ReadNamesInCodePages(Medium &medium, const Observation &observation) {
    std::vector<NameReading> readings;
    for (unsigned int codePage : kAnsiCodePages) {
        winsim::SetCodePage(codePage);
        char name[kDescriptorCapacity] = {0};
        char source[kPathCapacity] = {0};
        ReadDescriptorValue(observation.descriptor.path.c_str(),
                            kDescriptorKeys[kRuntimePackageKey], name, kDescriptorCapacity - 1);
        if (JoinPath(source, kPathCapacity, observation.programDirectory.c_str(), name)) {
            readings.push_back(
                NameReading{codePage, Utf8Of(WideOf(name, codePage)), medium.LookUp(source).kind});
        }
    }
    winsim::SetCodePage(observation.machine.codePage);
    return readings;
}
