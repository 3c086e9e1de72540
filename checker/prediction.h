// The prediction of one start of the loader, and of the next one.
#pragma once

#include "check.h"
#include "machine.h"
#include "options.h"

Prediction Predict(const Options &options, const MediumPlace &place);
