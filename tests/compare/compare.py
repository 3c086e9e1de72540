#!/usr/bin/python3
"""The simulated Windows against the real platform: the same ini files and registry values go
through readers_probe on the host (simulated) and under Wine (real), and the answers must agree,
in the single-byte code page and in the double-byte code pages 932 and 936. Where Wine is known to
read otherwise than Windows (KNOWN_DIFFERENCES), the simulated Windows must give Windows' answer
and Wine its own known one, so that a change in Wine shows. Every ini file also goes through the
loader's own reader of the file, which under Wine must give what Wine's profile function gives,
and Windows' answer where Wine is known to differ. One file is named autorun.inf and mapped to
the registry as hardened machines map it: the profile function reads nothing of it, on either
side, and the loader reads it itself. The Windows build of the version-ordering tables runs
under Wine too.

usage: compare.py HOST_PROBE WINDOWS_PROBE WINDOWS_VERSION_TESTS SCRATCH_DIR PREFIX_DIR
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import winehost  # noqa: E402

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7
STRING_TYPES = (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)


def descriptor(body, ending="\r\n"):
    return ending.join(body) + ending


def utf16(text, order):
    """A file in UTF-16 of that byte order, with its mark."""
    return ("\ufeff" + text).encode("utf-16-" + order)


PLAIN = ["[autorun]", "RuntimePackage=a.exe", "RegPath=b", "Version=1.0.0.0"]


# Descriptor files: (name, bytes). Each tests a rule of the platform's ini reader.
INI_FILES = [
    ("plain", descriptor(["[autorun]", "RuntimePackage=setup.exe", "RegPath=A\\B",
                          "Version=1.2.3.4"])),
    ("blanks", descriptor(["  [ autorun ]  ", "\tRuntimePackage \t=  my setup.exe  ",
                           " RegPath= A ", "Version =1.2.3.4\t"])),
    ("case", descriptor(["[AutoRun]", "RUNTIMEPACKAGE=a.exe", "regpath=b", "vErSiOn=1.0.0.0"])),
    ("quotes", descriptor(["[autorun]", "RuntimePackage=\"a b.exe\"", "RegPath='b'",
                           "Version=\"1.0.0.0'"])),
    ("lone-quotes", descriptor(["[autorun]", "RuntimePackage=\"", "RegPath=''",
                                "Version=a\"b\""])),
    ("comments", descriptor(["[autorun]", ";RuntimePackage=hidden.exe", "RuntimePackage=a.exe",
                             "RegPath=b ; not a comment", "  ;Version=9.9.9.9",
                             "Version=1.0.0.0"])),
    ("commented-out", descriptor(["[autorun]", ";RuntimePackage=a.exe", "RegPath=b",
                                  "Version=1.0.0.0"])),
    ("duplicates", descriptor(["[autorun]", "RuntimePackage=first.exe",
                               "RuntimePackage=second.exe", "RegPath=b", "Version=1.0.0.0"])),
    ("duplicate-sections", descriptor(["[autorun]", "RuntimePackage=a.exe", "[other]", "x=1",
                                       "[autorun]", "RegPath=b", "Version=1.0.0.0"])),
    ("no-equals", descriptor(["[autorun]", "RuntimePackage", "RegPath=b", "Version=1.0.0.0"])),
    ("empty-value", descriptor(["[autorun]", "RuntimePackage=a.exe", "RegPath=",
                                "Version=1.0.0.0"])),
    ("equals-in-value", descriptor(["[autorun]", "RuntimePackage=a=b.exe", "RegPath==b",
                                    "Version=1.0.0.0"])),
    ("keys-before-section", descriptor(["RuntimePackage=a.exe", "[autorun]", "RegPath=b",
                                        "Version=1.0.0.0"])),
    ("section-with-comment", descriptor(["[autorun] ; the loader's", "RuntimePackage=a.exe",
                                         "RegPath=b", "Version=1.0.0.0"])),
    ("unclosed-section", descriptor(["[autorun", "RuntimePackage=a.exe", "RegPath=b",
                                     "Version=1.0.0.0"])),
    ("lf-endings", descriptor(["[autorun]", "RuntimePackage=a.exe", "RegPath=b",
                               "Version=1.0.0.0"], ending="\n")),
    ("cr-endings", descriptor(["[autorun]", "RuntimePackage=a.exe", "RegPath=b",
                               "Version=1.0.0.0"], ending="\r")),
    ("utf8-bom", "\ufeff" + descriptor(PLAIN)),
    ("utf8-bom-header-on-line-2", "\ufeff" + descriptor(["; a medium"] + PLAIN)),
    ("utf8-bom-non-ascii", "\ufeff" + descriptor(["", "[autorun]", "RuntimePackage=s\u00e9.exe",
                                                  "RegPath=b", "Version=1.0.0.0"])),
    # A character the code page holds, one it best-fits and one it has no fit for.
    ("utf16le", utf16(descriptor(["[autorun]", "RuntimePackage=s\u00e9\u0100\u4e57.exe",
                                  "RegPath=b", "Version=1.0.0.0"]), "le")),
    ("utf16be", utf16(descriptor(PLAIN), "be")),
    ("utf16be-mark-then-ansi", b"\xfe\xff" + descriptor([""] + PLAIN).encode()),
    ("dos-eof", descriptor(["[autorun]", "RuntimePackage=a.exe", "RegPath=b",
                            "Version=1.0.0.0"]) + "\x1a"),
    ("overlong", descriptor(["[autorun]", "RuntimePackage=" + "p" * 300, "RegPath=" + "r" * 270,
                             "Version=" + "1." * 20])),
    ("longest-kept", descriptor(["[autorun]", "RuntimePackage=" + "p" * 259,
                                 "RegPath=" + "r" * 259, "Version=" + "7" * 31])),
    ("value-65537", descriptor(["[autorun]", "RuntimePackage=" + "p" * 65537, "RegPath=b",
                                "Version=1.0.0.0"])),
    ("quoted-at-limit-30", descriptor(["[autorun]", "RuntimePackage=a", "RegPath=b",
                                       "Version=\"" + "3" * 30 + "\""])),
    ("quoted-at-limit-31", descriptor(["[autorun]", "RuntimePackage=a", "RegPath=b",
                                       "Version=\"" + "3" * 31 + "\""])),
    ("quoted-at-limit-32", descriptor(["[autorun]", "RuntimePackage=a", "RegPath=b",
                                       "Version=\"" + "3" * 32 + "\""])),
    ("no-section", descriptor(["[other]", "RuntimePackage=a.exe", "RegPath=b",
                               "Version=1.0.0.0"])),
    ("empty", ""),
    ("zero-bytes", descriptor(["[autorun]", "RuntimePackage=a\0b.exe", "RegPath=\0b",
                               "Version=1.0.0.0"])),
]

# Where Wine 8 reads otherwise than Windows 10/11: the ini file, Windows' answer, Wine's answer
# and the source for Windows. Wine takes all three marks as encodings (dlls/kernel32/profile.c,
# PROFILE_DetectTextEncoding).
MARKS_ON_WINDOWS = ("Windows 10 21H1: https://stackoverflow.com/questions/70438143 (answer); "
                    "WelliSolutions/IniFileFormatReverseEngineering, UTF8_Tests.cs and "
                    "UTF16BE_Tests.cs; docs/windows-behaviour.md")
# Keyed by the ini file; they are differences of the platform's profile function ("profile"
# queries): the loader's own reader gives Windows' answer on both sides.
KNOWN_DIFFERENCES = {
    # The UTF-8 mark is no mark: its bytes make line 1 no section header.
    "utf8-bom": ("0 [] [] []", "1 [a.exe] [b] [1.0.0.0]", MARKS_ON_WINDOWS),
    # Later lines are read as they are, in the ANSI code page; Wine converts them from UTF-8.
    "utf8-bom-non-ascii": ("1 [s\\xc3\\xa9.exe] [b] [1.0.0.0]", "1 [s\\xe9.exe] [b] [1.0.0.0]",
                           MARKS_ON_WINDOWS),
    # Nor is the UTF-16 BE mark: UTF-16 BE text read as ANSI has a zero byte before every
    # character, and ANSI text after the mark reads as it is.
    "utf16be": ("0 [] [] []", "1 [a.exe] [b] [1.0.0.0]", MARKS_ON_WINDOWS),
    "utf16be-mark-then-ansi": ("1 [a.exe] [b] [1.0.0.0]", "0 [] [] []", MARKS_ON_WINDOWS),
    # Windows counts a value's length in 16 bits, so 65537 characters read as one.
    "value-65537": ("1 [p] [b] [1.0.0.0]", "1 [%s] [b] [1.0.0.0]" % ("p" * 259),
                    "Windows 10: WelliSolutions/IniFileFormatReverseEngineering, Limits_Tests.cs; "
                    "docs/windows-behaviour.md"),
}

# A hardened machine maps every autorun.inf to a registry key that does not exist; the same bytes
# under another name are read by the profile function. Blanks, quotes, other sections, duplicate
# keys and a second section of the name, as the loader reads them.
MAPPING = ("autorun.inf", "@SYS:DoesNotExist")
MAPPING_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf"
HARDENED = descriptor(["; a medium", "[other]", "RuntimePackage=other.exe", "  [ AutoRun ]  ",
                       " runtimepackage = \"setup.exe\" ", "RuntimePackage=second.exe",
                       "RegPath='Maker\\Runtime'", "Version\t=  2.1.0.5 ", "[x]", "[autorun]",
                       "Version=9.9.9.9"])

# Registry values: (RegPath, type, bytes as the loader's ANSI query sees them).
VALUES = [
    ("Cmp\\text", REG_SZ, b"1.2.3.4\0"),
    ("Cmp\\unterminated", REG_SZ, b"1.2.3.4"),
    ("Cmp\\empty-text", REG_SZ, b"\0"),
    ("Cmp\\zero-bytes", REG_SZ, b""),
    ("Cmp\\dword", REG_DWORD, b"1234"),
    ("Cmp\\binary", REG_BINARY, b"1.0.0.0"),
    ("Cmp\\binary-260", REG_BINARY, b"9" * 260),
    ("Cmp\\binary-261", REG_BINARY, b"9" * 261),
    ("Cmp\\text-260", REG_SZ, b"8" * 259 + b"\0"),
    ("Cmp\\text-261", REG_SZ, b"8" * 260 + b"\0"),
    ("Cmp\\text-100", REG_SZ, b"1.2.3.4" + b" " * 93 + b"\0"),
    ("Cmp\\text-32", REG_SZ, b"5" * 32 + b"\0"),
    ("Cmp\\text-33", REG_SZ, b"5" * 33 + b"\0"),
    ("Cmp\\expand", REG_EXPAND_SZ, b"%SystemRoot%\0"),
    ("Cmp\\multi", REG_MULTI_SZ, b"1.0.0.0\0second\0\0"),
    ("Cmp\\two\\levels", REG_SZ, b"3.0.0.0\0"),
]
REGISTRY_QUERIES = [path for path, _, _ in VALUES] + [
    "Cmp\\two", "Cmp\\missing", "Cmp\\two\\levels\\", "Cmp\\\\two\\levels", "\\Cmp\\text",
    "cmp\\TEXT", "Cmp/text", "r" * 251, "r" * 252]


# Paths for the loader's own RemoveFileSpec against the shell's PathRemoveFileSpecA.
PATHS = ["C:\\Medium\\loader.exe", "C:\\loader.exe", "C:\\", "C:", "C:loader.exe",
         "\\\\server\\share\\loader.exe", "\\\\server\\share", "\\\\server", "\\\\\\a",
         "\\loader.exe", "\\", "loader.exe", "", "C:/Medium/loader.exe",
         "C:\\a/b\\c.exe", "a\\b\\", "\\\\?\\C:\\a\\b.exe", "C:\\a\\b\\",
         "..\\x.exe", "C:\\a:b\\c", "Q:\\\\loader.exe", "C:\\a.b\\c d\\e.f.exe"]

# Double-byte ANSI code pages: the Unix locale that gives each under Wine, its codec, a
# character whose trail byte is 0x5C, the backslash, a package name in its language, and a
# character it lacks but best-fits.
DOUBLE_BYTE = [(932, "ja_JP.UTF-8", "cp932", "\u30bd", "\u30bb\u30c3\u30c8", "\u00e9"),
               (936, "zh_CN.UTF-8", "gbk", "\u4e57", "\u5b89\u88c5", "\u0100")]
DOUBLE_BYTE_PATHS = ["C:\\M{c}\\L{c}.exe", "C:\\{c}{c}", "\\\\{c}\\{c}\\x", "{c}\\x",
                     "C:\\{c}:{c}\\x", "\\{c}", "{c}", "C:\\a{c}b\\c{c}d\\e{c}"]


def double_byte_descriptor(codec, character, package):
    text = descriptor(["[autorun]", "RuntimePackage=%s%s.exe" % (package, character),
                       "RegPath=Maker\\%s" % character, "Version=1.0.0.0"])
    return text.encode(codec)


def double_byte_queries(code_page, codec, character):
    """Queries in the code page's own bytes: its descriptor and one in UTF-16 LE, then paths for
    RemoveFileSpec, the last ending in a lead byte without its trail byte."""
    lead = character.encode(codec)[:1]
    lines = [b"codepage %d" % code_page]
    for name in (b"dbcs-%d" % code_page, b"utf16le-%d" % code_page):
        lines += [b"profile T:\\%s.inf" % name, b"reader T:\\%s.inf" % name]
    lines += [b"removefilespec " + path.format(c=character).encode(codec)
              for path in DOUBLE_BYTE_PATHS]
    lines.append(b"removefilespec C:\\M\\" + lead)
    return b"".join(line + b"\r\n" for line in lines)


# Fields for the loader's own formatting against wsprintfA's "%04ld".
FIELDS = ["0 0 0 0", "1 2 3 4", "9 10 99 100", "999 1000 9999 10000", "-1 -5 -99 -999",
          "-1000 -9999 -10000 12345", "2147483647 0 0 0", "-2147483648 0 0 0",
          "2147483647 2147483647 0 0"]


def write_fixtures(directory):
    os.makedirs(os.path.join(directory, "files"), exist_ok=True)
    with open(os.path.join(directory, "fixtures.txt"), "w") as fixtures:
        files = [(name, text if isinstance(text, bytes) else text.encode("utf-8"))
                 for name, text in INI_FILES]
        for code_page, _, codec, character, package, best_fit in DOUBLE_BYTE:
            files.append(("dbcs-%d" % code_page, double_byte_descriptor(codec, character, package)))
            files.append(("utf16le-%d" % code_page, utf16(descriptor(
                ["[autorun]", "RuntimePackage=%s%s\u0e01.exe" % (character, best_fit), "RegPath=b",
                 "Version=1.0.0.0"]), "le")))
        files += [("autorun", HARDENED.encode()), ("autorun-unmapped", HARDENED.encode())]
        for name, data in files:
            with open(os.path.join(directory, "files", name + ".inf"), "wb") as out:
                out.write(data)
            fixtures.write("file %s.inf %s\n" % (name, data.hex() or "-"))
        fixtures.write("mapping %s %s\n" % MAPPING)
        for path, kind, data in VALUES:
            fixtures.write("value %s %d %s\n" % (path, kind, data.hex() or "-"))
    with open(os.path.join(directory, "queries.txt"), "w", newline="\r\n") as queries:
        for name, _ in INI_FILES:
            queries.write("profile T:\\%s.inf\n" % name)
            queries.write("reader T:\\%s.inf\n" % name)
        queries.write("descriptor T:\\missing.inf\n")
        for query in ("profile", "reader", "descriptor"):
            queries.write("%s T:\\autorun.inf\n" % query)
        queries.write("profile T:\\autorun-unmapped.inf\n")
        for path in REGISTRY_QUERIES:
            queries.write("installed %s\n" % path)
        for path in PATHS:
            queries.write("removefilespec %s\n" % path)
        for fields in FIELDS:
            queries.write("format %s\n" % fields)
    for code_page, _, codec, character, _, _ in DOUBLE_BYTE:
        with open(os.path.join(directory, "queries-%d.txt" % code_page), "wb") as queries:
            queries.write(double_byte_queries(code_page, codec, character))


def reg_file(directory):
    """The values as a .reg file: string types as the UTF-16 the registry stores."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for path, kind, data in VALUES:
        stored = data.decode("latin-1").encode("utf-16-le") if kind in STRING_TYPES else data
        lines.append("[HKEY_LOCAL_MACHINE\\Software\\%s]" % path)
        lines.append("\"Version\"=hex(%x):%s" % (kind, ",".join("%02x" % b for b in stored)))
        lines.append("")
    path = os.path.join(directory, "values.reg")
    with open(path, "w", encoding="utf-16", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")
    return path


def own_reader_failures(real_lines):
    """Under Wine, the loader's own reader of each file gives what Wine's profile function gives,
    Windows' answer where Wine is known to read otherwise; the mapped autorun.inf, of which the
    profile function reads nothing, is read as the same bytes under another name."""
    answers = {}
    for line in real_lines:
        query, _, answer = line.partition(" -> ")
        answers[query] = answer
    expected = {}
    for query, answer in answers.items():
        kind, _, path = query.partition(" ")
        name = path[len("T:\\x5c"):-len(".inf")]
        if kind == "profile" and name not in ("autorun", "autorun-unmapped"):
            expected["reader " + path] = KNOWN_DIFFERENCES.get(name, (answer,))[0]
    unmapped = answers.get("profile T:\\x5cautorun-unmapped.inf")
    expected.update({"profile T:\\x5cautorun.inf": "0 [] [] []",
                     "reader T:\\x5cautorun.inf": unmapped,
                     "descriptor T:\\x5cautorun.inf": unmapped})
    failures = 0
    for query, answer in sorted(expected.items()):
        if answers.get(query) == answer:
            print("own      %s -> %s" % (query, answer))
        else:
            failures += 1
            print("OWN READER DIFFERS  %s -> %s; expected %s" % (query, answers.get(query), answer))
    return failures


def main():
    host_probe, windows_probe, version_tests, scratch, prefix_dir = sys.argv[1:6]
    shutil.rmtree(scratch, ignore_errors=True)
    write_fixtures(scratch)
    fixtures = os.path.join(scratch, "fixtures.txt")
    queries = os.path.join(scratch, "queries.txt")

    # Each query file with the Unix locale that gives its code page under Wine.
    runs = [(queries, None)] + [(os.path.join(scratch, "queries-%d.txt" % code_page), locale)
                                for code_page, locale, _, _, _, _ in DOUBLE_BYTE]
    simulated = []
    for query_file, _ in runs:
        simulated += subprocess.run([host_probe, fixtures, query_file], capture_output=True,
                                    text=True, check=True).stdout.splitlines()

    prefix = winehost.Prefix(prefix_dir)
    prefix.start()
    try:
        prefix.run(["reg", "delete", "HKLM\\Software\\Cmp", "/f"])
        prefix.import_reg(reg_file(scratch))
        prefix.map_drive("t", os.path.join(scratch, "files"))
        prefix.reg(["add", MAPPING_KEY, "/ve", "/d", MAPPING[1], "/f"])
        real_lines = []
        for query_file, locale in runs:
            real = prefix.run([windows_probe, winehost.to_windows(fixtures),
                               winehost.to_windows(query_file)],
                              env={"LC_ALL": locale} if locale else None, capture=True)
            real_lines += real.stdout.splitlines()
        tables = prefix.run([version_tests], capture=True)
    finally:
        prefix.run(["reg", "delete", MAPPING_KEY, "/f"])
        prefix.stop()

    failures = 0
    # On the real platform the loader's own path removal and formatting give what the
    # platform's functions give.
    for line in real_lines:
        if line.startswith(("removefilespec", "format")):
            own = line[line.index(" own [") + 6:line.index("] platform [")]
            platform = line[line.index("] platform [") + 12:-1]
            if own != platform and own != "(does not fit)":
                failures += 1
                print("OWN DIFFERS FROM PLATFORM  " + line)
    failures += own_reader_failures(real_lines)
    known = {"profile T:\\x5c%s.inf" % name: answers
             for name, answers in KNOWN_DIFFERENCES.items()}
    for index in range(max(len(simulated), len(real_lines))):
        mine = simulated[index] if index < len(simulated) else "(missing)"
        theirs = real_lines[index] if index < len(real_lines) else "(missing)"
        query = mine.split(" -> ")[0]
        if query in known:
            windows, wine, source = known.pop(query)
            if mine == query + " -> " + windows and theirs == query + " -> " + wine:
                print("known    %s; Wine: %s (Windows: %s)" % (mine, wine, source))
                continue
            failures += 1
            print("DIFFERS FROM THE KNOWN DIFFERENCE  Windows: %s; Wine: %s" % (windows, wine))
            print("         simulated: " + mine)
            print("         Wine:      " + theirs)
        elif mine == theirs:
            print("same     " + mine)
        else:
            failures += 1
            print("DIFFERS  simulated: " + mine)
            print("         Wine:      " + theirs)
    for query in known:
        failures += 1
        print("NOT QUERIED  known difference " + query)
    print("version tables under Wine: exit %d, %s" % (
        tables.returncode, (tables.stdout.strip().splitlines() or ["no output"])[-1]))
    if tables.returncode != 0:
        print(tables.stdout)
        failures += 1
    total = max(len(simulated), len(real_lines)) + 1
    print("%d passed, %d failed" % (total - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
