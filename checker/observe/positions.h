// Where the platform's profile reader finds the section and the values the loader reads in
// autorun.inf: the same rules, walked over the file's text with each line's position kept.
#pragma once

#include "../model/observation.h"

#include <cstddef>
#include <string>

TextEncoding EncodingOf(const std::string &bytes);
// The size of the byte-order mark of that encoding.
size_t MarkSize(TextEncoding encoding);
DescriptorPositions PositionsInDescriptor(const std::string &bytes, TextEncoding encoding);
