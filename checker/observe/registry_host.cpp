// The build machine has no registry of the target's: the installed version is what the command
// line gives, and nothing otherwise.
#include "registry.h"

Record ObserveInstalled(const Options &options, const std::string &regPath) {
    return GivenRecord(regPath, options.installed);
}

std::optional<Record> ObserveOtherView(const Options & /*options*/,
                                       const std::string & /*regPath*/) {
    return std::nullopt;
}
