// The build machine: the simulated Windows' one registry, which has no views.
#include "mapping.h"

std::vector<DescriptorMapping> ObserveDescriptorMappings() {
    std::vector<DescriptorMapping> mappings;
    if (std::optional<DescriptorMapping> mapping = ReadDescriptorMapping(0)) {
        mappings.push_back(*mapping);
    }
    return mappings;
}
