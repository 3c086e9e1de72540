#include "build.h"

const BuildTraits kBuild = {
    "the medium's directory, or its disc image (ISO 9660, Joliet, UDF) read as Windows mounts it",
    "the installed version's text (default: nothing installed)", false, false, true};
