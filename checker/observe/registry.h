// The installed-version records, one implementation per build: on the build machine only what the
// command line gives; on Windows the registry in the loader's view and the other one, unless the
// command line gives the installed version.
#pragma once

#include "../model/observation.h"
#include "../options.h"

#include <optional>
#include <string>

// The record the loader would read for regPath.
Record ObserveInstalled(const Options &options, const std::string &regPath);

// The record in the other registry view, where there are views and the registry is read.
std::optional<Record> ObserveOtherView(const Options &options, const std::string &regPath);

// A text given on the command line, taken as the loader's reader takes a REG_SZ value holding it,
// with the same sub-key rule; no text means nothing is installed. Shared by both builds.
Record GivenRecord(const std::string &regPath, const std::optional<std::string> &text);
