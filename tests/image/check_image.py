#!/usr/bin/python3
"""Checks a built loader.exe as Windows sees it: image kind, imports, and every resource.

usage: check_image.py {X86|amd64} path/to/loader.exe
"""
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANGUAGE = 0x0804
ALLOWED_IMPORTS = {"kernel32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
                   "msvcrt.dll"}
# Libraries named in the image that are not imports: the shell, loaded by the loader only to
# launch a package, and the shared libgcc that the GCC start-up merely looks up with
# GetModuleHandleA in case it is already loaded (it is never loaded, nor needed).
LOADED_BY_NAME = {"shell32.dll"}
LOOKED_UP_BY_THE_RUNTIME = {"libgcc_s_dw2-1.dll"}
CXX_RUNTIME_MARKERS = [b"St9exception", b"St9type_info", b"__gxx_personality", b"basic_ostream",
                       b"__cxxabiv1", b"std::bad_alloc", b"_Unwind_Resume"]
VERSION_STRINGS = {
    "Comments": "",
    "CompanyName": "Corvane",
    "FileDescription": "Corvane Loader",
    "FileVersion": "1, 1, 22, 712",
    "InternalName": "",
    "LegalCopyright": "Copyright (C) 2026 Corvane. MIT License.",
    "LegalTrademarks": "",
    "OriginalFilename": "",
    "PrivateBuild": "",
    "ProductName": "Corvane Loader",
    "ProductVersion": "1, 1, 22, 712",
    "SpecialBuild": "",
}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"

failures = []
checks = []


def check(label, condition, detail=""):
    print(("ok   " if condition else "FAIL ") + label + ("" if condition else ": " + str(detail)))
    checks.append(label)
    if not condition:
        failures.append(label)


def resources(pe):
    """{(type, id): [(language, bytes)]} of every resource."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                data = pe.get_data(entry.OffsetToData, entry.Size)
                found.setdefault((kind.id, name.id), []).append((language.id, data))
    return found


def check_image(pe, architecture):
    if architecture == "X86":
        check("machine i386", pe.FILE_HEADER.Machine == 0x14C, hex(pe.FILE_HEADER.Machine))
        check("32-bit optional header", pe.OPTIONAL_HEADER.Magic == 0x10B,
              hex(pe.OPTIONAL_HEADER.Magic))
    else:
        check("machine x86-64", pe.FILE_HEADER.Machine == 0x8664, hex(pe.FILE_HEADER.Machine))
    check("GUI subsystem", pe.OPTIONAL_HEADER.Subsystem == 2, pe.OPTIONAL_HEADER.Subsystem)
    check("no link timestamp", pe.FILE_HEADER.TimeDateStamp == 0, pe.FILE_HEADER.TimeDateStamp)


def check_imports(pe, raw):
    dlls = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check("imports only system libraries and msvcrt", dlls <= ALLOWED_IMPORTS,
          sorted(dlls - ALLOWED_IMPORTS))
    named = {name.decode().lower() for name in re.findall(rb"[A-Za-z0-9_.-]+\.dll", raw, re.I)}
    loaded = named - dlls - LOOKED_UP_BY_THE_RUNTIME
    check("libraries loaded by name: only the shell", loaded <= LOADED_BY_NAME,
          sorted(loaded - LOADED_BY_NAME))
    for marker in CXX_RUNTIME_MARKERS:
        check("no C++ runtime code: " + marker.decode(), marker not in raw)


def check_languages(found):
    expected = {(RT_ICON, 1), (RT_GROUP_ICON, 101), (RT_VERSION, 1), (RT_MANIFEST, 1)}
    check("resources are icon 1, icon group 101, version 1, manifest 1",
          set(found) == expected, sorted(found))
    for key, entries in sorted(found.items()):
        languages = [language for language, _ in entries]
        check("resource %s in language 0x0804 only" % (key,), languages == [LANGUAGE],
              [hex(language) for language in languages])


def check_icon(found):
    image = found.get((RT_ICON, 1), [(0, b"")])[0][1]
    size, width, height, planes, depth = struct.unpack_from("<IiiHH", image)
    check("icon image 32x32", (width, height) == (32, 64), (width, height))
    check("icon image 32 bits per pixel", depth == 32, depth)
    check("icon image size", len(image) == size + 32 * 32 * 4 + 32 * 4, len(image))
    group = found.get((RT_GROUP_ICON, 101), [(0, b"")])[0][1]
    reserved, kind, count = struct.unpack_from("<HHH", group)
    check("icon group holds one icon", (reserved, kind, count) == (0, 1, 1), (reserved, kind, count))
    entry = struct.unpack_from("<BBBBHHIH", group, 6)
    check("icon group entry: 32x32, 32 bits, icon 1",
          entry[0:2] == (32, 32) and entry[5] == 32 and entry[7] == 1, entry)


def check_version(pe):
    fixed = pe.VS_FIXEDFILEINFO[0]
    version = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    product = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
               fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF)
    check("file version 1.1.22.712", version == (1, 1, 22, 712), version)
    check("product version 1.1.22.712", product == (1, 1, 22, 712), product)
    check("flags mask 0x3F", fixed.FileFlagsMask == 0x3F, hex(fixed.FileFlagsMask))
    check("flags 0", fixed.FileFlags == 0, fixed.FileFlags)
    check("OS 0x00040004", fixed.FileOS == 0x40004, hex(fixed.FileOS))
    check("type application, subtype 0", (fixed.FileType, fixed.FileSubtype) == (1, 0),
          (fixed.FileType, fixed.FileSubtype))
    tables = {}
    translations = []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = {key.decode(): value.decode()
                                                for key, value in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            translations = [var.entry for var in info.Var]
    check("one string table, 040904b0", list(tables) == ["040904b0"], list(tables))
    check("strings of 040904b0", tables.get("040904b0") == VERSION_STRINGS, tables)
    check("translation 0x0409/1200", translations == [{b"Translation": "0x0409 0x04b0"}],
          translations)


def check_manifest(found, architecture):
    data = found.get((RT_MANIFEST, 1), [(0, b"")])[0][1]
    check("manifest starts with a UTF-8 byte-order mark", data.startswith(b"\xef\xbb\xbf"))
    root = ElementTree.fromstring(data[3:])
    check("manifest version 1.0", root.get("manifestVersion") == "1.0", root.attrib)
    identity = root.find(ASM_V1 + "assemblyIdentity")
    own = dict(identity.attrib) if identity is not None else {}
    check("own identity 1.0.0.0 %s win32" % architecture,
          (own.get("version"), own.get("processorArchitecture"), own.get("type"))
          == ("1.0.0.0", architecture, "win32"), own)
    dependency = root.find(ASM_V1 + "dependency/" + ASM_V1 + "dependentAssembly/" + ASM_V1
                           + "assemblyIdentity")
    expected = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                "version": "6.0.0.0", "processorArchitecture": architecture,
                "publicKeyToken": "6595b64144ccf1df", "language": "*"}
    check("Common-Controls 6.0.0.0 dependency",
          dependency is not None and dict(dependency.attrib) == expected,
          dependency.attrib if dependency is not None else None)
    level = root.find("/".join(ASM_V3 + name for name in
                               ["trustInfo", "security", "requestedPrivileges",
                                "requestedExecutionLevel"]))
    check("asInvoker without uiAccess",
          level is not None and dict(level.attrib) == {"level": "asInvoker", "uiAccess": "false"},
          level.attrib if level is not None else None)


def main():
    architecture, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as image:
        raw = image.read()
    pe = pefile.PE(data=raw)
    found = resources(pe)
    check_image(pe, architecture)
    check_imports(pe, raw)
    check_languages(found)
    check_icon(found)
    check_version(pe)
    check_manifest(found, architecture)
    print("%d checks: %d passed, %d failed" % (len(checks), len(checks) - len(failures),
                                               len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
