// Windows: the profile functions of 32-bit and 64-bit programs alike read the mapping in the
// 64-bit view (see docs/windows-behaviour.md). The 32-bit view is shown too where it holds
// something else: a 32-bit script meant to harden the machine writes there. 32-bit Windows has
// one registry, which both flags name.
#include "mapping.h"

#include <windows.h>

namespace {

bool HasViews() {
    BOOL wow64 = FALSE;
    return sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

} // namespace

std::vector<DescriptorMapping> ObserveDescriptorMappings() {
    std::vector<DescriptorMapping> mappings;
    const bool views = HasViews();
    const std::optional<DescriptorMapping> read = ReadDescriptorMapping(KEY_WOW64_64KEY);
    if (read) {
        mappings.push_back(*read);
        mappings.back().view = views ? 64 : 0;
    }
    if (!views) {
        return mappings;
    }
    std::optional<DescriptorMapping> other = ReadDescriptorMapping(KEY_WOW64_32KEY);
    if (other && (!read || read->mapsTo != other->mapsTo)) {
        other->view = 32;
        other->consulted = Consultation::Ignored;
        mappings.push_back(*other);
    }
    return mappings;
}
