// Version normalisation and ordering.
#include "loader.h"

#include <windows.h>

#include <string.h>

enum {
    kShortestVersion = 7,
    kLongestVersion = 32,
    // Four fields of up to 11 characters ("-2147483648") and three full stops.
    kWideNormalizedCapacity = 4 * 11 + 3 + 1
};

static int IsConversionBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atol's reading of a field (leading blanks, an optional sign, digits up to the first other
// character, 0 without digits), kept to 32 bits on every build: a digit run beyond the range
// saturates at the nearest limit, as Microsoft documents atol. It is the program's own because
// long is 64-bit on other hosts and the old msvcrt.dll wraps instead.
static LONG ConvertField(const char *text) {
    const long long limit = 2147483647LL;
    while (IsConversionBlank(*text)) {
        ++text;
    }
    int negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    long long magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (*text - '0');
        }
    }
    if (negative) {
        return magnitude > limit ? static_cast<LONG>(-limit - 1) : static_cast<LONG>(-magnitude);
    }
    return magnitude > limit ? static_cast<LONG>(limit) : static_cast<LONG>(magnitude);
}

// Splits a dotted text from the left: one to three full stops fill fields 1..2 to 1..4.
static int SplitDotted(char *work, LONG *fields) {
    char *rest = work;
    int taken = 0;
    for (char *stop = strstr(rest, "."); stop != NULL; stop = strstr(rest, ".")) {
        if (taken == 3) {
            return 0;
        }
        *stop = '\0';
        fields[taken++] = ConvertField(rest);
        rest = stop + 1;
    }
    fields[taken] = ConvertField(rest);
    return 1;
}

// Cuts a text of 8 to 10 characters without full stops from the right: 12345678 gives
// 1, 2, 34, 5678; 1234567890 gives 12, 34, 56, 7890.
static int SplitUndotted(char *work, int length, LONG *fields) {
    if (length < 8 || length > 10) {
        return 0;
    }
    int second = length == 8 ? 1 : 2;
    fields[3] = ConvertField(work + length - 4);
    work[length - 4] = '\0';
    fields[2] = ConvertField(work + length - 6);
    work[length - 6] = '\0';
    fields[1] = ConvertField(work + length - 6 - second);
    work[length - 6 - second] = '\0';
    fields[0] = ConvertField(work);
    return 1;
}

// Appends one field as "%04ld" formats it: at least four characters, the sign counted among them
// and zero padding between sign and digits ("-005"). Returns the end of what was written.
static char *AppendField(char *out, LONG field) {
    unsigned long magnitude =
        field < 0 ? 0UL - static_cast<unsigned long>(field) : static_cast<unsigned long>(field);
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (field < 0) {
        *out++ = '-';
    }
    for (int width = count + (field < 0 ? 1 : 0); width < 4; ++width) {
        *out++ = '0';
    }
    while (count > 0) {
        *out++ = digits[--count];
    }
    return out;
}

// Writes the four fields as "%04ld.%04ld.%04ld.%04ld" formats them, terminated.
static void FormatFields(const LONG *fields, char *normalized) {
    char *out = normalized;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            *out++ = '.';
        }
        out = AppendField(out, fields[i]);
    }
    *out = '\0';
}

// Normalises into a buffer wide enough for any four fields; 0 and the buffer untouched when
// the text is rejected.
static int NormalizeWide(const char *text, char *normalized) {
    int length = lstrlenA(text);
    if (length > kLongestVersion || length < kShortestVersion) {
        return 0;
    }
    char work[kVersionCapacity] = {0};
    lstrcpyA(work, text);
    LONG fields[4] = {0, 0, 0, 0};
    int split =
        strstr(work, ".") != NULL ? SplitDotted(work, fields) : SplitUndotted(work, length, fields);
    if (!split) {
        return 0;
    }
    FormatFields(fields, normalized);
    return 1;
}

int NormalizeVersion(const char *text, char *normalized) {
    char wide[kWideNormalizedCapacity] = {0};
    // A normalised version over 32 characters (fields of ten digits or more) does not fit the
    // caller's buffer, so it is rejected here; CompareVersions holds it whole instead.
    if (!NormalizeWide(text, wide) || lstrlenA(wide) >= kVersionCapacity) {
        return 0;
    }
    lstrcpyA(normalized, wide);
    return 1;
}

// Orders normalised versions by length first, then character by character. Normalised versions
// are held whole, however long: a longer one has a larger field and must order after, which
// rejecting it would turn into "before everything" and make the loader reinstall on every start.
int CompareVersions(const char *first, const char *second) {
    char left[kWideNormalizedCapacity] = {0};
    char right[kWideNormalizedCapacity] = {0};
    NormalizeWide(first, left);
    NormalizeWide(second, right);
    int leftLength = lstrlenA(left);
    int rightLength = lstrlenA(right);
    if (leftLength != rightLength) {
        return leftLength - rightLength;
    }
    for (int i = 0; i < leftLength; ++i) {
        if (left[i] != right[i]) {
            return static_cast<signed char>(left[i]) - static_cast<signed char>(right[i]);
        }
    }
    return 0;
}
