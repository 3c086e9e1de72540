// Windows: the machine's own code page is the one its readers read in. The bytes of an ANSI
// autorun.inf are read alike in every code page; a UTF-16 one's text is converted to each, as the
// profile functions convert it for the A calls.
#include "name_readings.h"
#include "unicode_names.h"

#include <loader.h>
#include <windows.h>

#include <vector>

namespace {

std::wstring Wide(const std::u16string &units) {
    return std::wstring(units.begin(), units.end());
}

// The value as a machine of that code page reads it.
std::string ValueIn(const Observation &observation, unsigned int codePage) {
    const DescriptorFile &descriptor = observation.descriptor;
    const std::string here = DescriptorValue(descriptor, kRuntimePackageKey);
    if (descriptor.encoding != TextEncoding::Utf16LittleEndian) {
        return here;
    }
    WCHAR text[kDescriptorCapacity] = {0};
    // Where the profile functions read nothing (a mapped autorun.inf), the text the machine read.
    if (GetPrivateProfileStringW(L"autorun", L"RuntimePackage", L"", text, kDescriptorCapacity - 1,
                                 Wide(WideOf(descriptor.path, CP_ACP)).c_str()) == 0) {
        const std::u16string units = WideOf(here, CP_ACP);
        std::copy(units.begin(), units.end(), text);
    }
    char value[kDescriptorCapacity * 2] = {0};
    WideCharToMultiByte(codePage, 0, text, -1, value, sizeof(value) - 1, NULL, NULL);
    return value;
}

} // namespace

std::vector<NameReading> ReadNamesInCodePages(Medium & /*medium*/, const Observation &observation) {
    std::vector<NameReading> readings;
    const std::u16string directory = WideOf(observation.programDirectory, CP_ACP);
    for (unsigned int codePage : kAnsiCodePages) {
        const std::u16string name = WideOf(ValueIn(observation, codePage), codePage);
        const DWORD attributes = GetFileAttributesW(Wide(directory + u"\\" + name).c_str());
        readings.push_back(NameReading{codePage, Utf8Of(name),
                                       attributes == INVALID_FILE_ATTRIBUTES ? FileKind::Missing
                                       : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                           ? FileKind::Directory
                                           : FileKind::File});
    }
    return readings;
}
