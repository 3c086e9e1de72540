// Counts the allocations the loader itself makes on the host build.
#pragma once

void StartCountingAllocations();
long StopCountingAllocations(); // the loader's allocations since the start
