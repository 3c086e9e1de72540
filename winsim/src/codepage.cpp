// UTF-16 to the ANSI code page, as Windows converts for the A calls.
#include "world.h"

#include <algorithm>
#include <iterator>

namespace winsim {

namespace {

struct Mapping {
    uint16_t unit;  // UTF-16
    uint16_t bytes; // in the code page, a lead byte high
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
// WC_NO_BEST_FIT_CHARS; a unit without one becomes the default character.
uint16_t Map(const CodePageTable &table, uint16_t unit) {
    const Mapping *found =
        std::lower_bound(table.begin, table.end, unit, [](const Mapping &mapping, uint16_t wanted) {
            return mapping.unit < wanted;
        });
    return found != table.end && found->unit == unit ? found->bytes : table.defaultCharacter;
}

} // namespace

std::string FromUtf16(const std::string &utf16le) {
    const CodePageTable &table = TableOf(TheWorld().codePage);
    std::string ansi;
    for (size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        uint16_t unit = static_cast<uint16_t>(static_cast<unsigned char>(utf16le[i]) |
                                              static_cast<unsigned char>(utf16le[i + 1]) << 8);
        uint16_t bytes = Map(table, unit);
        if (bytes > 0xFF) {
            ansi += static_cast<char>(bytes >> 8);
        }
        ansi += static_cast<char>(bytes & 0xFF);
    }
    return ansi;
}

} // namespace winsim
