// Names Windows matches without regard to case (files, registry keys and values, MSI properties
// are ASCII here), compared in one case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

inline std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
