// The Windows a prediction is for: on the build machine as the command line describes it, on
// Windows the machine the check runs on.
#pragma once

#include <string>

// Windows' ANSI code pages, for the machines a medium meets: Central European, Cyrillic, Western,
// Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese, Thai, Japanese, Simplified Chinese, Korean
// and Traditional Chinese.
inline constexpr unsigned int kAnsiCodePages[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256,
                                                  1257, 1258, 874,  932,  936,  949,  950};

// A temporary directory as a user's profile on Windows 10 and 11 has it, for a user name of 20
// characters, the most Windows allows.
inline constexpr char kTypicalTempDirectory[] =
    "C:\\Users\\UserWith20Characters\\AppData\\Local\\Temp";

struct Machine {
    int bits = 64;                                     // 64-bit Windows, or 32-bit
    unsigned int codePage = 1252;                      // its ANSI code page
    std::string tempDirectory = kTypicalTempDirectory; // as its TEMP names it, without a backslash
};
