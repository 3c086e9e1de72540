// The installed-version records, one implementation per build: on Windows this machine's
// registry in a view, through the loader's own reader; the build machine has no registry of the
// target's.
#pragma once

#include "../model/observation.h"

#include <optional>
#include <string>

// The record the loader reads for regPath in a registry view (32 or 64); nothing where there is
// no registry to read.
std::optional<Record> ReadRecord(const std::string &regPath, int view);
