// GetPrivateProfileStringA over the simulated files, with the platform's parsing rules, and the
// registry mapping (IniFileMapping) that Windows consults before any file.
#include "world.h"

#include <optional>
#include <vector>

namespace winsim {

// Blanks as the ini reader sees them: C white space plus ^Z, the DOS end-of-file mark.
static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

static std::string Trim(const std::string &text) {
    size_t start = 0;
    size_t end = text.size();
    while (start < end && IsBlank(text[start])) {
        ++start;
    }
    while (end > start && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(start, end - start);
}

// The asked-for names lose the spaces around them and nothing else: unlike Wine, Windows keeps a
// tab there, and the name then matches nothing in the file.
static std::string TrimSpaces(const std::string &name) {
    size_t start = name.find_first_not_of(' ');
    return start == std::string::npos ? ""
                                      : name.substr(start, name.find_last_not_of(' ') + 1 - start);
}

struct Entry {
    bool found = false;
    bool hasValue = false; // a key line without "=" has no value
    std::string value;
};

// The lines of a profile file as the reader splits them: at CR or LF, each trimmed of blanks and
// ended at its first zero byte; empty lines are dropped.
static std::vector<std::string> Lines(const std::string &content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        line = Trim(line.substr(0, line.find('\0')));
        start = end + 1;
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The name of the section a line heads, or nothing: "[ name ]" heads "name".
static bool SectionName(const std::string &line, std::string *name) {
    size_t close = line.rfind(']');
    if (line[0] != '[' || close == std::string::npos) {
        return false;
    }
    *name = Trim(line.substr(1, close - 1));
    return true;
}

// Finds a key as the platform does: only the first section of that name is searched, and the
// first key of that name in it wins. Lines end at CR or LF; each line is trimmed of blanks.
static Entry FindEntry(const std::string &content, const std::string &section,
                       const std::string &key) {
    Entry entry;
    const std::string wantedSection = Upper(TrimSpaces(section));
    const std::string wantedKey = Upper(TrimSpaces(key));
    bool inSection = false;
    bool sectionSeen = false;
    for (const std::string &line : Lines(content)) {
        std::string sectionName;
        if (SectionName(line, &sectionName)) {
            if (inSection) {
                break;
            }
            std::string name = Upper(sectionName);
            inSection = !sectionSeen && !name.empty() && name == wantedSection;
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection || line[0] == ';') {
            continue;
        }
        size_t equals = line.find('=');
        std::string name = Trim(line.substr(0, equals));
        if (Upper(name) != wantedKey) {
            continue;
        }
        entry.found = true;
        entry.hasValue = equals != std::string::npos;
        if (entry.hasValue) {
            // Windows counts a value's length in 16 bits: one of 65536 characters or more reads
            // as its length modulo 65536 (Wine reads it whole).
            std::string value = Trim(line.substr(equals + 1));
            entry.value = value.substr(0, value.size() % 65536);
        }
        break;
    }
    return entry;
}

// Copies a value out as the platform does: a value wholly inside matching single or double quotes
// loses them, and the result is cut to size - 1 characters. The closing quote is dropped from
// what was copied, so when only it had no room (value of size + 1 with its quotes), one more
// character goes: "abc" read with size 4 gives "ab".
static std::string Unquote(const std::string &value, DWORD size) {
    bool quoted =
        value.size() > 1 && (value[0] == '\'' || value[0] == '"') && value.back() == value[0];
    if (!quoted || size == 0) {
        return value;
    }
    std::string rest = value.substr(1); // the text and its closing quote
    std::string copied = rest.substr(0, size - 1);
    if (size >= rest.size() && !copied.empty()) {
        copied.pop_back();
    }
    return copied;
}

// Windows reads a profile as UTF-16 only when it starts with the UTF-16 LE mark, converting it to
// the ANSI code page for the A calls. The UTF-8 and UTF-16 BE marks are no marks to it: their bytes
// stay at the start of the first line, so a section header there is not one.
static std::string AnsiContent(const std::string &content) {
    return content.compare(0, 2, "\xFF\xFE") == 0 ? FromUtf16(content.substr(2)) : content;
}

// An ini file named without a directory is looked for in the Windows directory.
static std::string ProfilePath(const std::string &fileName) {
    if (FindSeparator(fileName, 0, "\\/") == std::string::npos &&
        !(fileName.size() >= 2 && fileName[1] == ':')) {
        return "C:\\Windows\\" + fileName;
    }
    return FullPath(fileName);
}

// The file a profile call reads; a call without a file name reads win.ini.
static const File *ProfileFile(LPCSTR fileName) {
    auto file = TheWorld().files.find(Upper(ProfilePath(fileName ? fileName : "win.ini")));
    return file == TheWorld().files.end() ? nullptr : &file->second;
}

static const char kIniFileMapping[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";

// The mapping of a profile file, found by its name alone wherever the file lies.
static std::string MappingKey(LPCSTR fileName) {
    std::string path = ProfilePath(fileName ? fileName : "win.ini");
    size_t slash = FindLastSeparator(path, "\\/");
    return kIniFileMapping + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

// A value's text, when it is a string.
static std::optional<std::string> TextOf(const RegistryKey *key, const std::string &name) {
    const RegistryValue *value = key ? ValueOf(*key, name) : nullptr;
    if (value == nullptr || value->type != REG_SZ) {
        return std::nullopt;
    }
    return value->bytes.substr(0, value->bytes.find('\0'));
}

// The key a mapping's text names: "SYS:" is below HKEY_LOCAL_MACHINE\Software, "USR:" below
// HKEY_CURRENT_USER, which this world does not hold; the marks "!", "#" and "@" before them change
// how writes go, not where reads go.
static const RegistryKey *MappedKey(const std::string &text, const std::string &below = "") {
    size_t start = text.find_first_not_of("!#@");
    if (start == std::string::npos || text.compare(start, 4, "SYS:") != 0) {
        return nullptr;
    }
    return KeyAt("Software\\" + text.substr(start + 4) + (below.empty() ? "" : "\\" + below));
}

// Where a mapped section's key is read, as the profile functions look for it: a value named after
// the section names the key holding the section's values; a sub-key named after it holds, per
// key, a value naming where that key is, or a default value naming where all of them are; without
// either, the file's default value names a key whose sub-keys are its sections. A file mapped
// for the section is never read, even when the registry has nothing there.
struct Mapped {
    bool mapped = false;
    const RegistryKey *holder = nullptr; // the key whose value named as the key is read
};

static Mapped MappedSection(LPCSTR fileName, const std::string &section, const std::string &key) {
    Mapped result;
    const std::string mapping = MappingKey(fileName);
    const RegistryKey *file = KeyAt(mapping);
    if (file == nullptr) {
        return result;
    }
    result.mapped = true;
    if (std::optional<std::string> place = TextOf(file, section)) {
        result.holder = MappedKey(*place);
    } else if (const RegistryKey *perKey = KeyAt(mapping + "\\" + section)) {
        std::optional<std::string> place = TextOf(perKey, key);
        place = place ? place : TextOf(perKey, "");
        result.holder = place ? MappedKey(*place) : nullptr;
    } else if (std::optional<std::string> place = TextOf(file, "")) {
        result.holder = MappedKey(*place, section);
    } else {
        result.mapped = false;
    }
    return result;
}

static DWORD CopyOut(const std::string &text, LPSTR returned, DWORD size) {
    if (returned == nullptr || size == 0) {
        return 0;
    }
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(returned, text.data(), length);
    returned[length] = '\0';
    return static_cast<DWORD>(length);
}

extern "C" DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText,
                                                 LPSTR returned, DWORD size, LPCSTR fileName) {
    SimulatedCall call;
    std::string fallback = defaultText ? defaultText : "";
    while (!fallback.empty() && fallback.back() == ' ') {
        fallback.pop_back();
    }
    std::string text = fallback;
    const File *file = ProfileFile(fileName);
    Mapped mapped;
    if (section != nullptr && key != nullptr) {
        mapped = MappedSection(fileName, TrimSpaces(section), TrimSpaces(key));
    }
    if (mapped.mapped) {
        text = TextOf(mapped.holder, TrimSpaces(key)).value_or(fallback);
    } else if (file != nullptr && section != nullptr && key != nullptr) {
        Entry entry = FindEntry(AnsiContent(file->content), section, key);
        if (entry.found && entry.hasValue) {
            text = Unquote(entry.value, size);
        }
    }
    DWORD copied = CopyOut(text, returned, size);
    Record("GetPrivateProfileStringA",
           std::string(section ? section : "(null)") + " " + (key ? key : "(null)") + " size " +
               std::to_string(size) + " " + (fileName ? fileName : "(null)") +
               (mapped.mapped ? " (mapped)" : "") + ": " + std::to_string(copied));
    return copied;
}

// The sections of a file as the profile functions list them: those its mapping names (values and
// sub-keys of the file's mapping), then, when the file has a default mapping, the sub-keys of
// the key it names, and otherwise the file's own.
static std::vector<std::string> SectionNames(LPCSTR fileName) {
    std::vector<std::string> names;
    const std::string mapping = MappingKey(fileName);
    const RegistryKey *file = KeyAt(mapping);
    std::optional<std::string> whole;
    if (file != nullptr) {
        for (const auto &value : file->values) {
            if (!value.second.name.empty()) {
                names.push_back(value.second.name);
            }
        }
        const std::vector<std::string> subKeys = SubKeysOf(mapping);
        names.insert(names.end(), subKeys.begin(), subKeys.end());
        whole = TextOf(file, "");
    }
    if (whole) {
        size_t start = whole->find_first_not_of("!#@");
        if (start != std::string::npos && whole->compare(start, 4, "SYS:") == 0) {
            const std::vector<std::string> subKeys =
                SubKeysOf("Software\\" + whole->substr(start + 4));
            names.insert(names.end(), subKeys.begin(), subKeys.end());
        }
    } else if (const File *content = ProfileFile(fileName)) {
        for (const std::string &line : Lines(AnsiContent(content->content))) {
            std::string name;
            if (SectionName(line, &name)) {
                names.push_back(name);
            }
        }
    }
    return names;
}

// Every section's name, each ended by a zero byte, the list by one more; a list that does not fit
// is cut to size - 2 characters, as the platform cuts it.
extern "C" DWORD WINAPI GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size,
                                                       LPCSTR fileName) {
    SimulatedCall call;
    std::string names;
    for (const std::string &name : SectionNames(fileName)) {
        names += name + '\0';
    }
    DWORD copied = 0;
    if (returned != nullptr && size >= 2) {
        copied = static_cast<DWORD>(names.size() < size ? names.size() : size - 2);
        memcpy(returned, names.data(), copied);
        returned[copied] = '\0';
        returned[size - 1] = '\0';
    }
    Record("GetPrivateProfileSectionNamesA",
           std::string(fileName ? fileName : "(null)") + ": " + std::to_string(copied));
    return copied;
}

} // namespace winsim
