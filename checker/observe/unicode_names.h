// File names as Windows holds them, in UTF-16, against the build machine's UTF-8 and the names a
// report prints.
#pragma once

#include <string>

std::u16string Utf16Of(const std::string &utf8); // a byte that is no UTF-8 becomes U+FFFD
std::string Utf8Of(const std::u16string &utf16); // a lone surrogate becomes U+FFFD

// Whether two names are one name to Windows' file systems: without regard to case, unit by unit.
bool SameFileName(const std::u16string &first, const std::u16string &second);

// Bytes of an ANSI code page (0: the machine's own) as UTF-16, as Windows converts a name given
// to an A call.
std::u16string WideOf(const std::string &ansi, unsigned int codePage);
