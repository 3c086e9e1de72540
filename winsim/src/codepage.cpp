// UTF-16 to the ANSI code page, as Windows converts for the A calls.
#include "world.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace winsim {

namespace {

struct Mapping {
    uint16_t unit;  // UTF-16
    uint16_t bytes; // in the code page, a lead byte high
    uint8_t exact;  // 0 for a best fit: the bytes stand for another character
};

struct CodePageTable {
    UINT codePage;
    uint16_t defaultCharacter;
    const Mapping *begin; // by unit
    const Mapping *end;
};

#include "code_page_tables.inc"

// Any other code page is taken as 1252, as IsLeadByte takes it.
const CodePageTable &TableOf(UINT codePage) {
    const CodePageTable *table =
        std::find_if(std::begin(kCodePageTables), std::end(kCodePageTables),
                     [&](const CodePageTable &entry) { return entry.codePage == codePage; });
    return table == std::end(kCodePageTables) ? kCodePageTables[0] : *table;
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

} // namespace

std::string FromUtf16Units(const uint16_t *units, size_t count, bool bestFit, bool *usedDefault) {
    const CodePageTable &table = TableOf(TheWorld().codePage);
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

std::string FromUtf16(const std::string &utf16le) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        units.push_back(static_cast<uint16_t>(static_cast<unsigned char>(utf16le[i]) |
                                              static_cast<unsigned char>(utf16le[i + 1]) << 8));
    }
    bool usedDefault = false;
    return FromUtf16Units(units.data(), units.size(), true, &usedDefault);
}

} // namespace winsim

// CP_ACP only, as the loader asks. A terminated text (length -1) is converted with its
// terminator; size 0 asks for the size needed; a buffer too small gives 0 and
// ERROR_INSUFFICIENT_BUFFER, what was written being unspecified.
extern "C" int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length,
                                          LPSTR multiByte, int size, LPCSTR defaultCharacter,
                                          LPBOOL usedDefaultCharacter) {
    winsim::SimulatedCall call;
    if (codePage != CP_ACP || wide == nullptr || defaultCharacter != nullptr ||
        (flags & ~WC_NO_BEST_FIT_CHARS) != 0 || size < 0) {
        winsim::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t count = 0;
    if (length < 0) {
        while (wide[count] != 0) {
            ++count;
        }
        ++count;
    } else {
        count = static_cast<size_t>(length);
    }
    bool usedDefault = false;
    std::string ansi = winsim::FromUtf16Units(reinterpret_cast<const uint16_t *>(wide), count,
                                              (flags & WC_NO_BEST_FIT_CHARS) == 0, &usedDefault);
    if (usedDefaultCharacter != nullptr) {
        *usedDefaultCharacter = usedDefault ? TRUE : FALSE;
    }
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
