// An installed-version record taken exactly as the loader's reader takes it, from the bytes a
// registry value holds or the text the command line gives.
#pragma once

#include "../model/observation.h"

#include <optional>
#include <string>

// A text taken as the loader's reader takes a REG_SZ value holding it, with the same sub-key
// rule; no text means nothing is installed.
Record GivenRecord(const std::string &regPath, const std::optional<std::string> &text);

// A value "Version" whose data are these bytes (as RegQueryValueExA returns them, of any type),
// taken as the loader's reader takes it; no data means no value.
Record StoredRecord(const std::string &regPath, const std::optional<std::string> &data);
