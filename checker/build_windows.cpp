#include "build.h"

const BuildTraits kBuild = {
    "the medium's directory (default: the one medium-check.exe is in)",
    "the installed version's text (default: what this machine's registry records)", true, true,
    false};
