// Enumerations whose values each have one row: the identifier the compiler checks, the stable name
// the JSON report carries, and the words the text report and the messages use. The list of words
// of an enumeration is written there and nowhere else, as LLVM's .def files hold a list once.
//
//   #define HIVE_ROWS(X) X(ClassesRoot, "HKCR", "HKCR") X(CurrentUser, "HKCU", "HKCU") ...
//   DESCRIBED_ENUM(Hive, HIVE_ROWS)
//
// declares `enum class Hive` and its table; NameOf(Hive::CurrentUser) is "HKCU", WordsOf its
// words. A message names the enumeration to take a value's words ("%1{Hive}"), or gives words
// of its own for each value by its name ("%1{per-user:HKCU|per-machine:HKLM}"): never by number.
#pragma once

#include <cstddef>
#include <string_view>

struct ValueWords {
    const char *name;  // stable: a report that carried it keeps meaning the same value
    const char *words; // in the text report and the messages
};

template <typename Enumeration> struct Described { static constexpr bool kDescribed = false; };

#define DESCRIBED_IDENTIFIER(identifier, name, words) identifier,
#define DESCRIBED_ROW(identifier, name, words) ValueWords{name, words},
#define DESCRIBED_ENUM(Type, ROWS)                                                                 \
    enum class Type { ROWS(DESCRIBED_IDENTIFIER) };                                                \
    template <> struct Described<Type> {                                                           \
        static constexpr bool kDescribed = true;                                                   \
        static constexpr std::string_view kType = #Type;                                           \
        static constexpr ValueWords kValues[] = {ROWS(DESCRIBED_ROW)};                             \
        static constexpr std::size_t kCount = sizeof(kValues) / sizeof(kValues[0]);                \
    };

template <typename Enumeration> constexpr bool IsDescribed() {
    return Described<Enumeration>::kDescribed;
}

template <typename Enumeration> constexpr const ValueWords &RowOf(Enumeration value) {
    return Described<Enumeration>::kValues[static_cast<std::size_t>(value)];
}

// The stable name of a value, as the JSON report gives it.
template <typename Enumeration> constexpr const char *NameOf(Enumeration value) {
    return RowOf(value).name;
}

// Its words, as the text report and the messages give them.
template <typename Enumeration> constexpr const char *WordsOf(Enumeration value) {
    return RowOf(value).words;
}
