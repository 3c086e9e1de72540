// The descriptor reader and the installed-version reader on the simulated Windows.
#include "loader.h"
#include "medium.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr char kPath[] = "C:\\Medium\\autorun.inf";

struct DescriptorCase {
    const char *label;
    std::string file; // "" for no file at all
    int result;
    int missingKey; // where the reads stopped; -1, untouched, when all three were read
    std::string runtimePackage, regPath, version;
};

// Each row on a machine where the profile functions read the file, and on one where they read
// nothing (the anti-AutoRun mapping): the loader's own reading of the file gives the same.
TEST(ReadPackageDescriptor, Table) {
    const std::string longName(300, 'n');
    const DescriptorCase cases[] = {
        {"complete", medium::Descriptor("setup.exe", "A\\B", "1.2.3.4"), 1, -1, "setup.exe", "A\\B",
         "1.2.3.4"},
        {"no file", "", 0, 0, "", "", ""},
        {"no section", "[other]\nRuntimePackage=a\nRegPath=b\nVersion=1.0.0.0\n", 0, 0, "", "", ""},
        {"no RegPath: Version not read", "[autorun]\nRuntimePackage=a\nVersion=1.0.0.0\n", 0, 1,
         "a", "", ""},
        {"empty Version", "[autorun]\nRuntimePackage=a\nRegPath=b\nVersion=\n", 0, 2, "a", "b", ""},
        {"Version of 40 cut to 31", medium::Descriptor("a", "b", std::string(40, '7')), 1, -1, "a",
         "b", std::string(31, '7')},
        {"names cut to 259", medium::Descriptor(longName, longName, "1.0.0.0"), 1, -1,
         std::string(259, 'n'), std::string(259, 'n'), "1.0.0.0"},
        {"blanks, case and quotes",
         "  [AutoRun]  \n runtimepackage = \"my setup.exe\" \nREGPATH\t=\tb\nversion='1.0.0.0'\n",
         1, -1, "my setup.exe", "b", "1.0.0.0"},
        {"other sections, duplicate keys and sections, a comment",
         "[other]\nRuntimePackage=x\n[autorun]\n;RegPath=c\nRuntimePackage=a\nRuntimePackage=d\n"
         "RegPath=b\n[x]\n[autorun]\nVersion=9.9.9.9\n",
         0, 2, "a", "b", ""},
        {"UTF-16 LE, a character best-fitted",
         medium::Utf16(u"[autorun]\r\nRuntimePackage=\u0100.exe\r\nRegPath=b\r\nVersion=1.0.0.0"),
         1, -1, "A.exe", "b", "1.0.0.0"},
        {"UTF-8 mark on the header's line",
         "\xEF\xBB\xBF[autorun]\nRuntimePackage=a\nRegPath=b\nVersion=1.0.0.0\n", 0, 0, "", "", ""},
        {"a quoted value cut by the field",
         medium::Descriptor("a", "b", "\"" + std::string(31, '3') + "\""), 1, -1, "a", "b",
         std::string(30, '3')},
    };
    for (const DescriptorCase &row : cases) {
        for (bool hardened : {false, true}) {
            SCOPED_TRACE(std::string(row.label) + (hardened ? ", hardened machine" : ""));
            winsim::Reset();
            if (hardened) {
                medium::Harden();
            }
            if (!row.file.empty()) {
                winsim::AddFile(kPath, row.file);
            }
            PackageDescriptor descriptor;
            memset(&descriptor, 0, sizeof(descriptor));
            int missingKey = -1;
            EXPECT_EQ(row.result, ReadPackageDescriptor(kPath, &descriptor, &missingKey));
            EXPECT_EQ(row.missingKey, missingKey);
            EXPECT_EQ(row.runtimePackage, descriptor.RuntimePackage);
            EXPECT_EQ(row.regPath, descriptor.RegPath);
            EXPECT_EQ(row.version, descriptor.Version);
        }
    }
}

// The reads stop at the first value that yields nothing: Version is never asked for, neither of
// the profile functions nor of the file.
TEST(ReadPackageDescriptor, StopsAtFirstMissingValue) {
    for (bool hardened : {false, true}) {
        SCOPED_TRACE(hardened ? "hardened machine" : "profile functions read the file");
        winsim::Reset();
        if (hardened) {
            medium::Harden();
        }
        winsim::AddFile(kPath, "[autorun]\nRuntimePackage=a\nVersion=1.0.0.0\n");
        PackageDescriptor descriptor;
        memset(&descriptor, 0, sizeof(descriptor));
        int missingKey = 0;
        ReadPackageDescriptor(kPath, &descriptor, &missingKey);
        const std::vector<std::string> calls = winsim::Calls();
        EXPECT_EQ(2, std::count(calls.begin(), calls.end(), "GetPrivateProfileStringA"))
            << winsim::LogText();
        EXPECT_EQ(std::string::npos, winsim::LogText().find("Version")) << winsim::LogText();
        EXPECT_STREQ("", descriptor.Version);
    }
}

// The sample autorun.inf of the release, comments and all, gives the loader its three values,
// with nothing of a comment in them, and a version it accepts.
TEST(ReadPackageDescriptor, ReleaseSample) {
    std::ifstream file(RELEASE_SAMPLE_AUTORUN, std::ios::binary);
    ASSERT_TRUE(file) << RELEASE_SAMPLE_AUTORUN;
    winsim::Reset();
    winsim::AddFile(kPath, std::string(std::istreambuf_iterator<char>(file), {}));
    PackageDescriptor descriptor;
    memset(&descriptor, 0, sizeof(descriptor));
    int missingKey = 0;
    EXPECT_EQ(1, ReadPackageDescriptor(kPath, &descriptor, &missingKey));
    EXPECT_STREQ("setup.exe", descriptor.RuntimePackage);
    EXPECT_STREQ("ExampleMaker\\ExampleRuntime", descriptor.RegPath);
    EXPECT_STREQ("2.1.0.5", descriptor.Version);
    char normalized[kVersionCapacity] = {};
    EXPECT_EQ(1, NormalizeVersion(descriptor.Version, normalized));
}

struct RegistryCase {
    const char *label;
    void (*setUp)();
    int result;
    std::string version; // what the buffer holds afterwards; "#" for untouched
};

void NoKey() {}
void DeniedKey() {
    winsim::DenyKey(medium::kKey);
}
void NoValue() {
    winsim::AddKey(medium::kKey);
}
void Text() {
    winsim::SetTextValue(medium::kKey, "Version", "1.2.3.4");
}
void NameInOtherCase() {
    winsim::SetTextValue(medium::kKey, "VERSION", "1.2.3.4");
}
void Unterminated() {
    winsim::SetValue(medium::kKey, "Version", REG_SZ, "1.2.3.4");
}
void ZeroBytes() {
    winsim::SetValue(medium::kKey, "Version", REG_SZ, "");
}
void EmptyText() {
    winsim::SetTextValue(medium::kKey, "Version", "");
}
void Dword() {
    winsim::SetValue(medium::kKey, "Version", REG_DWORD, std::string("\x31\x32\0\0", 4));
}
void Binary() {
    winsim::SetValue(medium::kKey, "Version", REG_BINARY, "1.0.0.0");
}
void Unterminated260() {
    winsim::SetValue(medium::kKey, "Version", REG_BINARY, std::string(260, '9'));
}
void Bytes300() {
    winsim::SetTextValue(medium::kKey, "Version", std::string(299, '1'));
}
void Text100() {
    winsim::SetTextValue(medium::kKey, "Version", "1.2.3.4" + std::string(93, ' '));
}
void Text32() {
    winsim::SetTextValue(medium::kKey, "Version", std::string(32, '5'));
}
void Text33() {
    winsim::SetTextValue(medium::kKey, "Version", std::string(33, '5'));
}

TEST(QueryInstalledVersion, Table) {
    const RegistryCase cases[] = {
        {"no key", NoKey, 0, "#"},
        {"key denied", DeniedKey, 0, "#"},
        {"no value", NoValue, 0, "#"},
        {"text", Text, 1, "1.2.3.4"},
        {"value name in other case", NameInOtherCase, 1, "1.2.3.4"},
        {"stored without terminator", Unterminated, 1, "1.2.3.4"},
        {"zero bytes", ZeroBytes, 1, ""},
        {"empty text", EmptyText, 1, ""},
        {"REG_DWORD as raw bytes", Dword, 1, "12"},
        {"REG_BINARY as raw bytes", Binary, 1, "1.0.0.0"},
        {"300 bytes do not fit", Bytes300, 0, "#"},
        // Longer than the 33-character buffer: no version, and never an overrun.
        {"260 unterminated bytes", Unterminated260, 1, ""},
        {"text of 100 characters", Text100, 1, ""},
        {"text of 32 characters", Text32, 1, std::string(32, '5')},
        {"text of 33 characters", Text33, 1, ""},
    };
    for (const RegistryCase &row : cases) {
        SCOPED_TRACE(row.label);
        winsim::Reset();
        row.setUp();
        char buffer[kVersionCapacity + 8];
        memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(row.result, QueryInstalledVersion(medium::kRegPath, buffer));
        if (row.version == "#") {
            EXPECT_EQ(std::string(sizeof(buffer), '#'), std::string(buffer, sizeof(buffer)));
        } else {
            EXPECT_EQ(row.version, buffer);
            EXPECT_EQ(std::string(8, '#'), std::string(buffer + kVersionCapacity, 8));
        }
        EXPECT_EQ(0, winsim::OpenKeyCount()) << winsim::LogText();
    }
}

TEST(QueryInstalledVersion, OpensTheKeyBelowSoftwareForQueryOnly) {
    winsim::Reset();
    winsim::SetTextValue("Software\\A\\B\\C", "Version", "3.0.0.0");
    char buffer[kVersionCapacity] = {0};
    EXPECT_EQ(1, QueryInstalledVersion("A\\B\\C", buffer));
    EXPECT_STREQ("3.0.0.0", buffer);
    ASSERT_EQ("RegOpenKeyExA", winsim::Log()[0].call);
    EXPECT_EQ("Software\\A\\B\\C options 0 access 1: 0", winsim::Log()[0].detail);
    EXPECT_EQ("Version size 260: 0", winsim::Log()[1].detail);
}

// A view flag is added to query access and nothing else; the loader's own reader passes none.
TEST(QueryInstalledVersionInView, AsksForTheViewWithQueryAccess) {
    const struct {
        unsigned int view;
        const char *open;
    } cases[] = {
        {0, "Software\\A options 0 access 1: 0"},
        {KEY_WOW64_32KEY, "Software\\A options 0 access 513: 0"},
        {KEY_WOW64_64KEY, "Software\\A options 0 access 257: 0"},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.view);
        winsim::Reset();
        winsim::SetTextValue("Software\\A", "Version", "3.0.0.0");
        char buffer[kVersionCapacity] = {0};
        EXPECT_EQ(1, QueryInstalledVersionInView("A", row.view, buffer));
        EXPECT_STREQ("3.0.0.0", buffer);
        ASSERT_EQ("RegOpenKeyExA", winsim::Log()[0].call);
        EXPECT_EQ(row.open, winsim::Log()[0].detail);
    }
}

// "Software\" and RegPath must fit 260 characters; a longer sub-key names no key.
TEST(QueryInstalledVersion, SubKeyThatDoesNotFit) {
    const std::string fits(251, 'k');
    const std::string tooLong(252, 'k');
    winsim::Reset();
    winsim::SetTextValue("Software\\" + fits, "Version", "1.0.0.0");
    winsim::SetTextValue("Software\\" + tooLong, "Version", "1.0.0.0");
    char buffer[kVersionCapacity];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(0, QueryInstalledVersion(tooLong.c_str(), buffer));
    EXPECT_EQ(std::string(sizeof(buffer), '#'), std::string(buffer, sizeof(buffer)));
    EXPECT_TRUE(winsim::Log().empty()) << winsim::LogText();
    EXPECT_EQ(1, QueryInstalledVersion(fits.c_str(), buffer));
    EXPECT_STREQ("1.0.0.0", buffer);
}

} // namespace
