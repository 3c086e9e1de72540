// An ini file read from its own bytes, as Windows' profile reader reads a file that the registry
// does not map: where a machine maps every autorun.inf to a registry key that does not exist (the
// anti-AutoRun setting of many organisations' images), the profile functions give nothing, and
// this reader still gives the loader its values. The file is mapped and read once through,
// keeping only what the value needs.
#include "loader.h"

#include <windows.h>

enum {
    kUnitsConverted = 256,           // UTF-16 units converted at a time
    kValueLengthLimit = 65536,       // Windows counts a value's length in 16 bits
    kNothingKept = kValueLengthLimit // a position no value's last character ever has
};

// What the line read so far is.
enum { kLineStart, kLineHeader, kLineKey, kLineValue, kLineSkipped };

struct LineState {
    const char *Name; // the wanted name: the section's in a header line, the key's in a key line
    const char *Rest; // what is still to come of it; NULL once the line's is another name
    char Kind;
    char Cut;    // a zero byte ended the line's text
    char Closed; // a header line: "]" came
};

struct IniScan {
    LineState Line;
    const char *Section;
    const char *Key; // NULL when only the section is looked for
    char *Value;     // keeps the value's first Limit characters
    DWORD Limit;
    DWORD KeepAt; // the position of the one character kept in Kept
    DWORD Length; // the value's length without its trailing blanks; 0 for a key without "="
    DWORD Count;  // characters of the value so far
    char Kept;
    char InSection; // in the first section of that name; the reading ends with it
    char Done;      // nothing later in the file changes what was found
};

static int IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}

static int NameMatches(const LineState *line) {
    return line->Rest != NULL && *line->Rest == '\0';
}

// The wanted name against a line's text, a character at a time, without regard to case; blanks
// before and after it are dropped, as the reader trims names. The wanted names are ASCII letters,
// so a character matches one only as that letter in either case, and no byte of a double-byte
// character ever matches.
static void MatchName(LineState *line, char c) {
    const char *rest = line->Rest;
    if (rest == NULL || (rest == line->Name && IsBlank(c))) {
        return;
    }
    if (*rest != '\0' && ((c ^ *rest) & ~0x20) == 0) {
        line->Rest = rest + 1;
    } else if (*rest != '\0' || !IsBlank(c)) {
        line->Rest = NULL;
    }
}

static void TakeValueCharacter(IniScan *scan, char c) {
    if (scan->Count == 0 && IsBlank(c)) {
        return;
    }
    if (scan->Count < scan->Limit) {
        scan->Value[scan->Count] = c;
    }
    if (scan->Count == scan->KeepAt) {
        scan->Kept = c;
    }
    ++scan->Count;
    if (!IsBlank(c)) {
        scan->Length = scan->Count;
    }
}

static void TakeCharacter(IniScan *scan, char c) {
    LineState *line = &scan->Line;
    if (line->Cut || (line->Kind == kLineStart && IsBlank(c))) {
        return;
    }
    if (c == '\0') {
        line->Cut = 1; // the line's text ends at its first zero byte
        return;
    }
    switch (line->Kind) {
    case kLineStart:
        if (c == '[') {
            line->Kind = kLineHeader;
            line->Name = line->Rest = scan->Section;
            return;
        }
        // Only the section's keys count, and a line that starts with ";" is never one.
        line->Kind = kLineSkipped;
        if (!scan->InSection || scan->Key == NULL || c == ';') {
            return;
        }
        line->Kind = kLineKey;
        line->Name = line->Rest = scan->Key;
        [[fallthrough]];
    case kLineKey:
        if (c != '=') {
            MatchName(line, c);
        } else {
            line->Kind = NameMatches(line) ? kLineValue : kLineSkipped;
        }
        return;
    case kLineHeader:
        // "[ name ]" heads the section name: the name runs to the last "]" of the line, so a
        // second "]" makes it another name.
        if (c == ']') {
            if (line->Closed || !NameMatches(line)) {
                line->Rest = NULL;
            }
            line->Closed = 1;
        } else if (!line->Closed) {
            MatchName(line, c);
        }
        return;
    case kLineValue:
        TakeValueCharacter(scan, c);
        return;
    default:
        return;
    }
}

static void EndLine(IniScan *scan) {
    const LineState *line = &scan->Line;
    if (line->Kind == kLineHeader && line->Closed) {
        // Only the first section of the name is read: the next header ends the reading.
        if (scan->InSection) {
            scan->Done = 1;
        } else {
            scan->InSection = static_cast<char>(NameMatches(line));
        }
    } else if ((line->Kind == kLineKey && NameMatches(line)) || line->Kind == kLineValue) {
        // The first key of the name wins, even without "=": it then has no value.
        scan->Done = 1;
    }
    ZeroMemory(&scan->Line, sizeof(scan->Line));
}

static void TakeText(IniScan *scan, const char *text, DWORD count) {
    for (DWORD i = 0; i < count && !scan->Done; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            EndLine(scan);
        } else {
            TakeCharacter(scan, text[i]);
        }
    }
}

// UTF-16 units converted to the ANSI code page as the A calls get them, with best fit (up to
// three bytes a unit, where the code page is UTF-8), a surrogate pair always whole.
static void TakeUtf16(IniScan *scan, const WCHAR *units, DWORD count) {
    while (count > 0 && !scan->Done) {
        DWORD taken = count < DWORD{kUnitsConverted} ? count : DWORD{kUnitsConverted};
        if (taken < count && units[taken - 1] >= 0xD800 && units[taken - 1] <= 0xDBFF) {
            --taken;
        }
        char text[kUnitsConverted * 3];
        int converted = WideCharToMultiByte(CP_ACP, 0, units, static_cast<int>(taken), text,
                                            sizeof(text), NULL, NULL);
        TakeText(scan, text, static_cast<DWORD>(converted));
        units += taken;
        count -= taken;
    }
}

// A file that starts with the UTF-16 LE mark is read as UTF-16; Windows takes no other mark, so
// the bytes of a UTF-8 or UTF-16 BE mark stay on line 1 and are read as ANSI. An empty file
// cannot be mapped, and holds nothing; nor does one too large for the address space, or of 4 GiB
// or more.
static void ScanIniFile(const char *path, IniScan *scan) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file, &sizeHigh);
    HANDLE mapping =
        sizeHigh == 0 ? CreateFileMappingA(file, NULL, PAGE_READONLY, 0, 0, NULL) : NULL;
    if (mapping != NULL) {
        const char *bytes =
            static_cast<const char *>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
        if (bytes != NULL) {
            if (size >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
                TakeUtf16(scan, reinterpret_cast<const WCHAR *>(bytes + 2), (size - 2) / 2);
            } else {
                TakeText(scan, bytes, size);
            }
            EndLine(scan);
            UnmapViewOfFile(bytes);
        }
        CloseHandle(mapping);
    }
    CloseHandle(file);
}

// Reads the file for a section and a key (NULL: the section only); value keeps the value's
// first limit characters, and the one at keepAt is kept aside.
static void Scan(const char *path, const char *section, const char *key, char *value, DWORD limit,
                 DWORD keepAt, IniScan *scan) {
    ZeroMemory(scan, sizeof(*scan));
    scan->Section = section;
    scan->Key = key;
    scan->Value = value;
    scan->Limit = limit;
    scan->KeepAt = keepAt;
    ScanIniFile(path, scan);
}

int ReadIniFileValue(const char *path, const char *section, const char *key, char *value,
                     unsigned int size) {
    IniScan scan;
    Scan(path, section, key, value, size, kNothingKept, &scan);
    DWORD length = scan.Length % kValueLengthLimit;
    // A value wholly inside matching quotes loses them. Its last character is among those kept
    // unless the value is longer than the field; then the file is read again for it.
    int quoted = 0;
    if (length > 1 && (value[0] == '"' || value[0] == '\'')) {
        if (length > size) {
            Scan(path, section, key, value, 0, length - 1, &scan);
        } else {
            scan.Kept = value[length - 1];
        }
        quoted = scan.Kept == value[0];
    }
    DWORD available = length - quoted;
    DWORD copied = available < size - 1 ? available : size - 1;
    // The closing quote is dropped from what was copied, so when only it had no room, one more
    // character goes, as the profile reader modelled here does: "abc" read with size 4 gives
    // "ab".
    if (quoted && size >= available && copied > 0) {
        --copied;
    }
    for (DWORD i = 0; i < copied; ++i) {
        value[i] = value[i + quoted];
    }
    value[copied] = '\0';
    return static_cast<int>(copied);
}

int HasIniFileSection(const char *path, const char *section) {
    IniScan scan;
    Scan(path, section, NULL, NULL, 0, kNothingKept, &scan);
    return scan.InSection;
}
