// The reader's rules, as docs/windows-behaviour.md lists them: lines end at CR or LF and at a
// zero byte, blanks around names and values are dropped, a line starting with ';' is no key, only
// the first section of a name is read and in it the first key of a name. Windows takes a UTF-16 LE
// file as text and the UTF-8 and UTF-16 BE marks as plain bytes of line 1.
#include "positions.h"

#include "../model/ascii.h"

#include <loader.h>

#include <vector>

namespace {

using Units = std::vector<unsigned int>;

bool IsBlank(unsigned int unit) {
    return unit == ' ' || (unit >= '\t' && unit <= '\r') || unit == 0x1A;
}

// The code units of the text from an offset: bytes, or UTF-16 units of either order.
Units Decode(const std::string &bytes, size_t from, int width, bool bigEndian) {
    Units units;
    for (size_t at = from; at + width <= bytes.size(); at += width) {
        unsigned int first = static_cast<unsigned char>(bytes[at]);
        unsigned int second = width == 2 ? static_cast<unsigned char>(bytes[at + 1]) : 0;
        units.push_back(width == 1  ? first
                        : bigEndian ? (first << 8) | second
                                    : first | (second << 8));
    }
    return units;
}

struct Line {
    int number;
    size_t start; // index of its first unit
    size_t end;   // one past its last, before its end
};

// The lines as an editor numbers them; CR LF ends one line.
std::vector<Line> Lines(const Units &units) {
    std::vector<Line> lines;
    size_t start = 0;
    int number = 1;
    for (size_t at = 0; at <= units.size(); ++at) {
        if (at < units.size() && units[at] != '\r' && units[at] != '\n') {
            continue;
        }
        lines.push_back(Line{number++, start, at});
        if (at + 1 < units.size() && units[at] == '\r' && units[at + 1] == '\n') {
            ++at;
        }
        start = at + 1;
    }
    return lines;
}

// Names are matched without regard to case; the loader's names are ASCII.
bool SameName(const Units &units, size_t start, size_t end, const char *name) {
    std::string text;
    for (size_t at = start; at < end; ++at) {
        if (units[at] >= 0x80) {
            return false;
        }
        text += static_cast<char>(units[at]);
    }
    return AsciiLower(text) == AsciiLower(name);
}

// Narrows [start, end) to its text without the blanks around it.
void Trim(const Units &units, size_t *start, size_t *end) {
    while (*start < *end && IsBlank(units[*start])) {
        ++*start;
    }
    while (*end > *start && IsBlank(units[*end - 1])) {
        --*end;
    }
}

TextPosition At(const Line &line, size_t unit) {
    return TextPosition{line.number, static_cast<int>(unit - line.start) + 1};
}

void FindValues(const Units &units, DescriptorPositions *positions) {
    bool inSection = false;
    bool read = false; // the section the reader reads has ended
    for (Line line : Lines(units)) {
        for (size_t at = line.start; at < line.end; ++at) {
            if (units[at] == 0) {
                line.end = at;
            }
        }
        size_t start = line.start;
        size_t end = line.end;
        Trim(units, &start, &end);
        if (start == end) {
            continue;
        }
        size_t close = end;
        while (close > start && units[close - 1] != ']') {
            --close;
        }
        if (close > start && units[start] == '[') {
            read = read || inSection;
            size_t nameStart = start + 1;
            size_t nameEnd = close - 1;
            Trim(units, &nameStart, &nameEnd);
            const bool named = SameName(units, nameStart, nameEnd, kDescriptorSection);
            // Only the first section of a name is read; another of it is never looked at.
            if (named && read && positions->laterSection.line == 0) {
                positions->laterSection = At(line, start);
            }
            inSection = named && !read;
            positions->section = inSection ? At(line, start) : positions->section;
            continue;
        }
        if (!inSection || units[start] == ';') {
            continue;
        }
        size_t equals = start;
        while (equals < end && units[equals] != '=') {
            ++equals;
        }
        size_t keyEnd = equals;
        size_t keyStart = start;
        Trim(units, &keyStart, &keyEnd);
        for (int i = 0; i < 3; ++i) {
            if (positions->values[i].line == 0 &&
                SameName(units, keyStart, keyEnd, kDescriptorKeys[i]) && equals < end) {
                size_t value = equals + 1;
                size_t valueEnd = end;
                Trim(units, &value, &valueEnd);
                positions->values[i] = At(line, value);
            }
        }
    }
}

TextPosition FirstNonAscii(const Units &units) {
    for (const Line &line : Lines(units)) {
        for (size_t at = line.start; at < line.end; ++at) {
            if (units[at] >= 0x80) {
                return At(line, at);
            }
        }
    }
    return TextPosition{};
}

} // namespace

TextEncoding EncodingOf(const std::string &bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return TextEncoding::Utf8Mark;
    }
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        return TextEncoding::Utf16LittleEndian;
    }
    return bytes.compare(0, 2, "\xFE\xFF") == 0 ? TextEncoding::Utf16BigEndian : TextEncoding::Ansi;
}

size_t MarkSize(TextEncoding encoding) {
    return encoding == TextEncoding::Ansi ? 0 : encoding == TextEncoding::Utf8Mark ? 3 : 2;
}

DescriptorPositions PositionsInDescriptor(const std::string &bytes, TextEncoding encoding) {
    DescriptorPositions positions;
    const size_t mark = MarkSize(encoding);
    const bool utf16BigEndian = encoding == TextEncoding::Utf16BigEndian;
    const int width = encoding == TextEncoding::Utf16LittleEndian || utf16BigEndian ? 2 : 1;
    const Units text = Decode(bytes, mark, width, utf16BigEndian);
    positions.nonAscii = FirstNonAscii(text);
    if (encoding == TextEncoding::Utf16LittleEndian) {
        FindValues(text, &positions);
        return positions;
    }
    // The reader takes any other mark as bytes of line 1, where nothing it looks for can then
    // start; the columns shown are an editor's, which hides the mark.
    FindValues(Decode(bytes, 0, 1, false), &positions);
    for (TextPosition *position :
         {&positions.section, &positions.laterSection, &positions.values[0], &positions.values[1],
          &positions.values[2]}) {
        position->column -= position->line == 1 ? static_cast<int>(mark) : 0;
    }
    return positions;
}
