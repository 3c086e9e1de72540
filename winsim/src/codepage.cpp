// Between UTF-16 and the ANSI code pages, as Windows converts for the A calls, with Windows' own
// tables; and names compared without regard to case, as file systems compare them.
#include "world.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

namespace winsim {

namespace {

struct Mapping {
    uint16_t unit;  // UTF-16
    uint16_t bytes; // in the code page, a lead byte high
    uint8_t exact;  // 0 for a best fit: the bytes stand for another character
};

struct Character {
    uint16_t bytes; // in the code page, a lead byte high
    uint16_t unit;
};

struct LeadRange {
    uint8_t first;
    uint8_t last;
};

struct Case {
    uint16_t unit;
    uint16_t upper;
};

struct CodePageTable {
    UINT codePage;
    uint16_t defaultCharacter;        // what a unit the code page lacks becomes
    uint16_t unicodeDefaultCharacter; // what bytes that are no character become
    const Mapping *begin;             // by unit
    const Mapping *end;
    const Character *charactersBegin; // by bytes
    const Character *charactersEnd;
    LeadRange leads[6];
};

#include "code_page_tables.inc"

// The table of a code page; nullptr for one the simulated Windows does not have.
const CodePageTable *FindTable(UINT codePage) {
    const CodePageTable *table =
        std::find_if(std::begin(kCodePageTables), std::end(kCodePageTables),
                     [&](const CodePageTable &entry) { return entry.codePage == codePage; });
    return table == std::end(kCodePageTables) ? nullptr : table;
}

// Any other code page is taken as 1252.
const CodePageTable &TableOf(UINT codePage) {
    const CodePageTable *table = FindTable(codePage);
    return table == nullptr ? kCodePageTables[0] : *table;
}

bool IsLeadIn(const CodePageTable &table, unsigned char c) {
    return std::any_of(std::begin(table.leads), std::end(table.leads), [&](const LeadRange &range) {
        return range.last != 0 && c >= range.first && c <= range.last;
    });
}

// The tables are Windows' own: besides the characters the code page holds they map others to a
// best fit (U+0100 to "A", U+221E to "8" in 1252), as WideCharToMultiByte does unless told
// WC_NO_BEST_FIT_CHARS; a unit without one becomes the default character. Each unit is converted
// alone, so a surrogate becomes the default character.
uint16_t Map(const CodePageTable &table, uint16_t unit, bool bestFit, bool *usedDefault) {
    const Mapping *found =
        std::lower_bound(table.begin, table.end, unit, [](const Mapping &mapping, uint16_t wanted) {
            return mapping.unit < wanted;
        });
    if (found != table.end && found->unit == unit && (bestFit || found->exact)) {
        return found->bytes;
    }
    *usedDefault = true;
    return table.defaultCharacter;
}

// UTF-8, every character exact; a surrogate without its partner becomes U+FFFD, as Windows
// converts it since Vista.
std::string ToUtf8(const uint16_t *units, size_t count) {
    std::string utf8;
    for (size_t i = 0; i < count; ++i) {
        uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | code >> 6);
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | code >> 12);
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | code >> 18);
            utf8 += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

// A character of the code page as its unit: bytes that are none (a lead byte without its trail,
// a pair the code page leaves out) become the code page's Unicode default character.
uint16_t UnitOf(const CodePageTable &table, uint16_t bytes) {
    const Character *found = std::lower_bound(
        table.charactersBegin, table.charactersEnd, bytes,
        [](const Character &character, uint16_t wanted) { return character.bytes < wanted; });
    return found != table.charactersEnd && found->bytes == bytes ? found->unit
                                                                 : table.unicodeDefaultCharacter;
}

uint16_t UpperOf(uint16_t unit) {
    const Case *found =
        std::lower_bound(std::begin(kUppercase), std::end(kUppercase), unit,
                         [](const Case &entry, uint16_t wanted) { return entry.unit < wanted; });
    return found != std::end(kUppercase) && found->unit == unit ? found->upper : unit;
}

} // namespace

bool IsLeadByte(unsigned char c) {
    return IsLeadIn(TableOf(TheWorld().codePage), c);
}

bool HasCodePage(UINT codePage) {
    return FindTable(codePage) != nullptr;
}

std::string FromUtf16Units(const uint16_t *units, size_t count, bool bestFit, bool *usedDefault,
                           UINT codePage) {
    const UINT converted = codePage == CP_ACP ? TheWorld().codePage : codePage;
    if (converted == CP_UTF8) {
        return ToUtf8(units, count);
    }
    const CodePageTable &table = TableOf(converted);
    std::string ansi;
    for (size_t i = 0; i < count; ++i) {
        uint16_t bytes = Map(table, units[i], bestFit, usedDefault);
        if (bytes > 0xFF) {
            ansi += static_cast<char>(bytes >> 8);
        }
        ansi += static_cast<char>(bytes & 0xFF);
    }
    return ansi;
}

// UTF-8 to UTF-16, for text that is valid UTF-8 (what ToUtf8 makes).
static std::u16string FromUtf8(const std::string &utf8) {
    std::u16string units;
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = [&](size_t at) {
            return static_cast<uint32_t>(static_cast<unsigned char>(utf8[at]));
        };
        uint32_t code = byte(i);
        size_t length = code < 0x80 ? 1 : code < 0xE0 ? 2 : code < 0xF0 ? 3 : 4;
        if (length > 1) {
            code &= 0x3F >> (length - 1);
            for (size_t k = 1; k < length && i + k < utf8.size(); ++k) {
                code = code << 6 | (byte(i + k) & 0x3F);
            }
        }
        if (code >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
        i += length;
    }
    return units;
}

std::u16string ToUtf16Units(const std::string &ansi, UINT codePage) {
    const UINT converted = codePage == CP_ACP ? TheWorld().codePage : codePage;
    if (converted == CP_UTF8) {
        return FromUtf8(ansi);
    }
    const CodePageTable &table = TableOf(converted);
    std::u16string units;
    for (size_t at = 0; at < ansi.size(); ++at) {
        uint16_t bytes = static_cast<unsigned char>(ansi[at]);
        if (IsLeadIn(table, static_cast<unsigned char>(ansi[at])) && at + 1 < ansi.size()) {
            bytes = static_cast<uint16_t>(bytes << 8 | static_cast<unsigned char>(ansi[++at]));
        }
        units += static_cast<char16_t>(UnitOf(table, bytes));
    }
    return units;
}

std::string FromUtf16(const std::string &utf16le) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        units.push_back(static_cast<uint16_t>(static_cast<unsigned char>(utf16le[i]) |
                                              static_cast<unsigned char>(utf16le[i + 1]) << 8));
    }
    bool usedDefault = false;
    return FromUtf16Units(units.data(), units.size(), true, &usedDefault);
}

int CompareIgnoringCase(const std::u16string &first, const std::u16string &second) {
    for (size_t at = 0; at < first.size() && at < second.size(); ++at) {
        const uint16_t a = UpperOf(first[at]);
        const uint16_t b = UpperOf(second[at]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return first.size() == second.size() ? 0 : first.size() < second.size() ? -1 : 1;
}

} // namespace winsim

// A terminated text (length -1) is converted with its terminator; size 0 asks for the size
// needed; a buffer too small gives 0 and ERROR_INSUFFICIENT_BUFFER, what was written being
// unspecified. The ANSI code page (CP_ACP) or any the simulated Windows has.
static size_t CountOf(const WCHAR *text, int length) {
    size_t count = 0;
    if (length >= 0) {
        return static_cast<size_t>(length);
    }
    while (text[count] != 0) {
        ++count;
    }
    return count + 1;
}

// The ANSI code page (CP_ACP) or any the simulated Windows has. A terminated text (length -1) is
// converted with its terminator; size 0 asks for the size needed; a buffer too small gives 0 and
// ERROR_INSUFFICIENT_BUFFER, what was written being unspecified. Where the ANSI code page is
// UTF-8, a default character or lpUsedDefaultChar is refused with ERROR_INVALID_PARAMETER, and
// then any flag with ERROR_INVALID_FLAGS, as for any code page a flag it does not know (Wine's
// conformance test test_other_invalid_parameters in dlls/kernel32/tests/codepage.c).
static int Convert(UINT codePage, DWORD flags, LPCWSTR wide, int length, LPSTR multiByte, int size,
                   LPCSTR defaultCharacter, bool asksUsedDefault, bool *usedDefault) {
    const bool utf8 = (codePage == CP_ACP ? winsim::TheWorld().codePage : codePage) == CP_UTF8;
    if ((codePage != CP_ACP && !utf8 && !winsim::HasCodePage(codePage)) || wide == nullptr ||
        defaultCharacter != nullptr || size < 0 || (utf8 && asksUsedDefault)) {
        winsim::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if ((flags & ~(utf8 ? 0u : WC_NO_BEST_FIT_CHARS)) != 0) {
        winsim::SetError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::string ansi =
        winsim::FromUtf16Units(reinterpret_cast<const uint16_t *>(wide), CountOf(wide, length),
                               (flags & WC_NO_BEST_FIT_CHARS) == 0, usedDefault, codePage);
    if (size == 0) {
        return static_cast<int>(ansi.size());
    }
    if (ansi.size() > static_cast<size_t>(size)) {
        winsim::SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(ansi.begin(), ansi.end(), multiByte);
    return static_cast<int>(ansi.size());
}

extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length,
                                          LPSTR multiByte, int size, LPCSTR defaultCharacter,
                                          LPBOOL usedDefaultCharacter) {
    winsim::SimulatedCall call;
    bool usedDefault = false;
    int result = Convert(codePage, flags, wide, length, multiByte, size, defaultCharacter,
                         usedDefaultCharacter != nullptr, &usedDefault);
    if (result > 0 && usedDefaultCharacter != nullptr) {
        *usedDefaultCharacter = usedDefault ? TRUE : FALSE;
    }
    winsim::Record("WideCharToMultiByte",
                   "flags " + std::to_string(flags) + ": " +
                       (result > 0 ? std::to_string(result) + (usedDefault ? ", default used" : "")
                                   : "error " + std::to_string(winsim::TheWorld().lastError)),
                   "", result > 0);
    return result;
}

// Without flags, as the checker asks: bytes that are no character of the code page become its
// Unicode default character.
extern "C" int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int length,
                                          LPWSTR wide, int size) {
    winsim::SimulatedCall call;
    if ((codePage != CP_ACP && !winsim::HasCodePage(codePage)) || multiByte == nullptr ||
        flags != 0 || size < 0) {
        winsim::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t count = length < 0 ? strlen(multiByte) + 1 : static_cast<size_t>(length);
    const std::u16string units = winsim::ToUtf16Units(std::string(multiByte, count), codePage);
    if (size == 0) {
        return static_cast<int>(units.size());
    }
    if (units.size() > static_cast<size_t>(size)) {
        winsim::SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(units.begin(), units.end(), wide);
    return static_cast<int>(units.size());
}

// Ordinal, as file systems compare names: unit by unit, with Unicode's simple uppercase.
extern "C" int WINAPI CompareStringOrdinal(LPCWSTR first, int firstLength, LPCWSTR second,
                                           int secondLength, BOOL ignoreCase) {
    winsim::SimulatedCall call;
    const std::u16string a(first, firstLength < 0 ? CountOf(first, -1) - 1 : firstLength);
    const std::u16string b(second, secondLength < 0 ? CountOf(second, -1) - 1 : secondLength);
    const int order = ignoreCase ? winsim::CompareIgnoringCase(a, b) : a.compare(b);
    return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}
