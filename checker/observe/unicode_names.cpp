// UTF-8 and UTF-16 by hand, and the comparison and conversions by the machine's own calls: the
// simulated Windows' on the build machine, Windows' own there.
#include "unicode_names.h"

#include <windows.h>

#include <vector>

namespace {

const char32_t kReplacement = 0xFFFD;

// The code point of the UTF-8 sequence at `at`, which moves past it.
char32_t NextPoint(const std::string &utf8, size_t *at) {
    const unsigned char lead = static_cast<unsigned char>(utf8[*at]);
    const int length = lead < 0x80       ? 1
                       : lead >> 5 == 6  ? 2
                       : lead >> 4 == 14 ? 3
                       : lead >> 3 == 30 ? 4
                                         : 0;
    char32_t point = length == 1   ? lead
                     : length == 2 ? lead & 0x1F
                     : length == 3 ? lead & 0x0F
                                   : lead & 0x07;
    if (length == 0 || *at + length > utf8.size()) {
        ++*at;
        return kReplacement;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(utf8[*at + i]);
        if (next >> 6 != 2) {
            ++*at;
            return kReplacement;
        }
        point = point << 6 | (next & 0x3F);
    }
    *at += length;
    return point;
}

} // namespace

std::u16string Utf16Of(const std::string &utf8) {
    std::u16string units;
    for (size_t at = 0; at < utf8.size();) {
        const char32_t point = NextPoint(utf8, &at);
        if (point >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(point);
        }
    }
    return units;
}

std::string Utf8Of(const std::u16string &utf16) {
    std::string text;
    for (size_t at = 0; at < utf16.size(); ++at) {
        char32_t point = utf16[at];
        if (point >= 0xD800 && point <= 0xDBFF && at + 1 < utf16.size() &&
            utf16[at + 1] >= 0xDC00 && utf16[at + 1] <= 0xDFFF) {
            point = 0x10000 + ((point - 0xD800) << 10) + (utf16[++at] - 0xDC00);
        } else if (point >= 0xD800 && point <= 0xDFFF) {
            point = kReplacement;
        }
        if (point < 0x80) {
            text += static_cast<char>(point);
        } else if (point < 0x800) {
            text += static_cast<char>(0xC0 | point >> 6);
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            text += static_cast<char>(0xE0 | point >> 12);
            text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | point >> 18);
            text += static_cast<char>(0x80 | (point >> 12 & 0x3F));
            text += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return text;
}

bool SameFileName(const std::u16string &first, const std::u16string &second) {
    return CompareStringOrdinal(reinterpret_cast<LPCWSTR>(first.data()),
                                static_cast<int>(first.size()),
                                reinterpret_cast<LPCWSTR>(second.data()),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

std::u16string WideOf(const std::string &ansi, unsigned int codePage) {
    if (ansi.empty()) {
        return u"";
    }
    const int length = static_cast<int>(ansi.size());
    const int size = MultiByteToWideChar(codePage, 0, ansi.data(), length, NULL, 0);
    std::vector<WCHAR> units(static_cast<size_t>(size > 0 ? size : 0));
    MultiByteToWideChar(codePage, 0, ansi.data(), length, units.data(), size);
    return std::u16string(reinterpret_cast<const char16_t *>(units.data()), units.size());
}
