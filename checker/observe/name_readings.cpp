#include "name_readings.h"
#include "unicode_names.h"

#include <algorithm>

std::vector<NameReading> ReadPackageNames(Medium &medium, const Observation &observation) {
    std::vector<NameReading> readings = ReadNamesInCodePages(medium, observation);
    const auto here =
        std::find_if(readings.begin(), readings.end(), [&](const NameReading &reading) {
            return reading.codePage == observation.machine.codePage;
        });
    if (here == readings.end() || here->kind == FileKind::Unknown) {
        return {};
    }
    const NameReading own = *here;
    for (NameReading &reading : readings) {
        reading.asHere =
            reading.kind == own.kind &&
            (own.kind != FileKind::File || SameFileName(Utf16Of(reading.name), Utf16Of(own.name)));
    }
    return readings;
}
