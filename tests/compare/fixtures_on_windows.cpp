// On Windows the harness has written the files and registry values before the probe starts.
#include "fixtures.h"

void PrepareWorld(const char *) {}

void UseCodePage(unsigned) {}
