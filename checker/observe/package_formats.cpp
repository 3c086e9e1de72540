// The package formats the check reads, each by its own reader.
#include "package_formats.h"
#include "msi_package.h"
#include "program_package.h"

#include "../model/ascii.h"

#include <algorithm>
#include <iterator>

namespace {

const PackageFormat kFormats[] = {
    {"msi", ".msi", ReadMsiPackage},
    {"exe", ".exe", ReadProgramPackage},
};

} // namespace

const PackageFormat *FormatOfName(const std::string &name) {
    const size_t dot = name.find_last_of(".\\/");
    const std::string extension =
        dot == std::string::npos || name[dot] != '.' ? "" : AsciiLower(name.substr(dot));
    const PackageFormat *format =
        std::find_if(std::begin(kFormats), std::end(kFormats),
                     [&](const PackageFormat &each) { return extension == each.extension; });
    return format == std::end(kFormats) ? nullptr : format;
}

PackageFacts ReadPackage(const std::string &file, const PackageFormat &format) {
    PackageFacts facts = format.read(file);
    facts.format = format.name;
    return facts;
}
