// String routines: lstrlenA, lstrcpyA and wsprintfA with the platform's formatting rules.
#include "world.h"

#include <cstdarg>

extern "C" UINT WINAPI GetACP(void) {
    winsim::SimulatedCall call;
    return winsim::TheWorld().codePage;
}

extern "C" BOOL WINAPI IsDBCSLeadByte(BYTE character) {
    winsim::SimulatedCall call;
    return winsim::IsLeadByte(character) ? TRUE : FALSE;
}

extern "C" int WINAPI lstrlenA(LPCSTR text) {
    winsim::SimulatedCall call;
    return text ? static_cast<int>(strlen(text)) : 0;
}

// Compares as Windows compares names: without regard to case, double-byte characters kept whole.
extern "C" int WINAPI lstrcmpiA(LPCSTR first, LPCSTR second) {
    winsim::SimulatedCall call;
    return winsim::Upper(first ? first : "").compare(winsim::Upper(second ? second : ""));
}

extern "C" LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source) {
    winsim::SimulatedCall call;
    if (destination == nullptr || source == nullptr) {
        return nullptr;
    }
    return strcpy(destination, source);
}

namespace {

// wsprintfA writes at most 1024 characters, its terminator included.
constexpr int kFormatLimit = 1024;

struct Output {
    char *cursor;
    int room; // characters that may still be written before the terminator
    void Put(char c) {
        if (room > 0) {
            *cursor++ = c;
            --room;
        }
    }
    void Repeat(char c, int count) {
        for (int i = 0; i < count; ++i) {
            Put(c);
        }
    }
};

struct Conversion {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = 0;
};

// Numbers: the sign counts in the width; zero padding goes between the sign and the digits,
// so "%04ld" gives "-005" for -5. "l" and "h" make no difference: long is 32 bits on Windows.
void PutNumber(Output *out, const Conversion &conversion, bool negative, uint32_t magnitude,
               unsigned base, bool upper) {
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int count = 0;
    do {
        reversed[count++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    int length = count + (negative ? 1 : 0);
    int precision = conversion.precision > length ? conversion.precision : length;
    if (conversion.zero && !conversion.left && conversion.width > precision) {
        precision = conversion.width;
    }
    if (!conversion.left) {
        out->Repeat(' ', conversion.width - precision);
    }
    if (negative) {
        out->Put('-');
    }
    out->Repeat('0', precision - length);
    while (count > 0) {
        out->Put(reversed[--count]);
    }
    if (conversion.left) {
        out->Repeat(' ', conversion.width - precision);
    }
}

void PutText(Output *out, const Conversion &conversion, const char *text) {
    if (text == nullptr) {
        text = "(null)";
    }
    int length = 0;
    while (text[length] != '\0' && (conversion.precision == 0 || length < conversion.precision)) {
        ++length;
    }
    // Zero padding makes the platform drop a string's padding altogether.
    int pad = conversion.zero && !conversion.left ? 0 : conversion.width - length;
    if (!conversion.left) {
        out->Repeat(' ', pad);
    }
    for (int i = 0; i < length; ++i) {
        out->Put(text[i]);
    }
    if (conversion.left) {
        out->Repeat(' ', pad);
    }
}

} // namespace

extern "C" int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    winsim::SimulatedCall call;
    va_list args;
    va_start(args, format);
    Output out{buffer, kFormatLimit - 1};
    while (*format != '\0' && out.room > 0) {
        if (*format != '%') {
            out.Put(*format++);
            continue;
        }
        ++format;
        if (*format == '%') {
            out.Put(*format++);
            continue;
        }
        Conversion conversion;
        for (; *format == '-' || *format == '0' || *format == '#'; ++format) {
            conversion.left = conversion.left || *format == '-';
            conversion.zero = conversion.zero || *format == '0';
        }
        for (; *format >= '0' && *format <= '9'; ++format) {
            conversion.width = conversion.width * 10 + (*format - '0');
        }
        if (*format == '.') {
            for (++format; *format >= '0' && *format <= '9'; ++format) {
                conversion.precision = conversion.precision * 10 + (*format - '0');
            }
        }
        if (*format == 'l' || *format == 'h') {
            ++format;
        }
        switch (*format) {
        case 's':
            PutText(&out, conversion, va_arg(args, const char *));
            break;
        case 'c':
            out.Put(static_cast<char>(va_arg(args, int)));
            break;
        case 'd':
        case 'i': {
            int32_t value = va_arg(args, int32_t);
            uint32_t magnitude =
                value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
            PutNumber(&out, conversion, value < 0, magnitude, 10, false);
            break;
        }
        case 'u':
            PutNumber(&out, conversion, false, va_arg(args, uint32_t), 10, false);
            break;
        case 'x':
        case 'X':
            PutNumber(&out, conversion, false, va_arg(args, uint32_t), 16, *format == 'X');
            break;
        default:
            // An unknown conversion prints nothing; its letter is then copied as plain text.
            continue;
        }
        ++format;
    }
    *out.cursor = '\0';
    va_end(args);
    return out.room > 0 ? static_cast<int>(out.cursor - buffer) : kFormatLimit;
}
