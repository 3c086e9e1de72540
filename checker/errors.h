// The one way the checker says it cannot go on: a line on standard error with its name first.
#pragma once

#include <string>

inline constexpr char kProgramName[] = "medium-check";

// Prints "medium-check: message" and gives the exit status of bad usage.
int Refuse(const std::string &message);
