// Whether this machine maps autorun.inf to the registry (IniFileMapping), as the anti-AutoRun
// setting of many organisations' images does: the profile functions then read the registry
// instead of any file of that name. One implementation per build: on Windows both registry views,
// the one the profile functions read first; on the build machine the simulated Windows' one
// registry.
#pragma once

#include "../model/observation.h"

#include <optional>
#include <string>
#include <vector>

// The key below HKEY_LOCAL_MACHINE\Software that maps autorun.inf.
std::string DescriptorMappingPath();

// The mapping in a registry view (a KEY_WOW64_ flag, or 0 for the calling process's), when
// there is one.
std::optional<DescriptorMapping> ReadDescriptorMapping(unsigned int viewFlag);

std::vector<DescriptorMapping> ObserveDescriptorMappings();
