// The one table of rules. Codes never change meaning; each has its row in docs/publishing.md,
// whose findings table lists exactly these codes, severities and titles.
#include "groups.h"

#include <paths.h>

#include <algorithm>
#include <cctype>
#include <cstring>

const std::vector<Rule> &Rules() {
    static const std::vector<Rule> rules = {
        {"MC101", Severity::Error, "no autorun.inf beside the loader", "mc101"},
        {"MC102", Severity::Error, "no section [autorun]", "mc102"},
        {"MC103", Severity::Error, "a value missing or empty", "mc103"},
        {"MC104", Severity::Warning, "a value longer than the loader reads", "mc104"},
        {"MC105", Severity::Warning, "autorun.inf not plain ASCII", "mc105"},
        {"MC106", Severity::Error, "the path of autorun.inf too long", "mc106"},
        {"MC107", Severity::Error, "a UTF-8 byte-order mark on the line of [autorun]", "mc107"},
        {"MC108", Severity::Error, "autorun.inf saved as UTF-16 big-endian", "mc108"},
        {"MC109", Severity::Info, "autorun.inf saved as UTF-16 (Unicode)", "mc109"},
        {"MC201", Severity::Error, "Version is not a version", "mc201"},
        {"MC202", Severity::Warning, "a version field of five digits or more", "mc202"},
        {"MC203", Severity::Info, "Version without full stops", "mc203"},
        {"MC301", Severity::Warning, "RegPath starts with a backslash", "mc301"},
        {"MC302", Severity::Warning, "RegPath starts with Software\\", "mc302"},
        {"MC303", Severity::Error, "Software\\<RegPath> longer than 260 characters", "mc303"},
        {"MC304", Severity::Error, "the version recorded only in the other registry view", "mc304"},
        {"MC305", Severity::Warning, "the installed value is not a version", "mc305"},
        {"MC306", Severity::Error, "after the installer has run, the next start installs again",
         "mc306"},
        {"MC307", Severity::Info, "the other registry view holds another value", "mc307"},
        {"MC401", Severity::Error, "the package is not there", "mc401"},
        {"MC402", Severity::Warning, "RuntimePackage names a sub-directory", "mc402"},
        {"MC403", Severity::Warning, "RuntimePackage leaves the loader's directory", "mc403"},
        {"MC404", Severity::Warning, "a package that needs an associated program", "mc404"},
        {"MC405", Severity::Error, "the package's path too long", "mc405"},
        {"MC501", Severity::Warning, "a program unsigned", "mc501"},
        {"MC502", Severity::Error, "a signature that does not match its file", "mc502"},
        {"MC503", Severity::Warning, "a signature without a time-stamp", "mc503"},
        {"MC504", Severity::Info, "a signature whose chain ends in an untrusted root", "mc504"},
        {"MC505", Severity::Info, "signatures not checked", "mc505"},
        {"MC601", Severity::Error, "the MSI records Version in the other registry view", "mc601"},
        {"MC602", Severity::Error, "the MSI records Version under another key, name or hive",
         "mc602"},
        {"MC603", Severity::Error, "the MSI records a value that is not a version or is older",
         "mc603"},
        {"MC604", Severity::Error, "the MSI records nothing the loader reads", "mc604"},
        {"MC605", Severity::Warning,
         "the MSI records nothing the loader reads, but a custom action might", "mc605"},
        {"MC606", Severity::Warning, "a component condition decides whether Version is recorded",
         "mc606"},
        {"MC607", Severity::Warning, "ProductVersion and Version do not order alike", "mc607"},
        {"MC608", Severity::Warning, "the package targets x64 or Arm64", "mc608"},
        {"MC609", Severity::Warning, "the program's version resource differs from Version",
         "mc609"},
        {"MC610", Severity::Error, "the package cannot be read as what its name says", "mc610"},
        {"MC611", Severity::Warning, "ALLUSERS=2: the hive depends on the user's rights", "mc611"},
        {"MC612", Severity::Warning, "--records differs from what the MSI records", "mc612"},
    };
    return rules;
}

void Add(Findings *out, const char *code, const Subject &subject, std::vector<std::string> values) {
    const std::vector<Rule> &rules = Rules();
    auto rule = std::find_if(rules.begin(), rules.end(), [&](const Rule &candidate) {
        return strcmp(candidate.code, code) == 0;
    });
    out->push_back(Finding{&*rule, subject, std::move(values)});
}

Subject OnMedium(const std::string &directory) {
    Subject subject;
    subject.name = directory;
    return subject;
}

Subject OnRecord(const Record &record) {
    Subject subject;
    subject.kind = SubjectKind::RegistryKey;
    subject.name = record.regPath;
    subject.view = record.view;
    return subject;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

Subject OnDescriptorKey(const DescriptorFile &descriptor, int keyIndex) {
    TextPosition at = descriptor.places.values[keyIndex];
    at = at.line != 0 ? at : descriptor.places.section;
    Subject subject = OnDescriptor(descriptor, at);
    subject.kind = SubjectKind::DescriptorKey;
    subject.name = kDescriptorKeys[keyIndex];
    return subject;
}

Subject OnDescriptor(const DescriptorFile &descriptor, TextPosition at) {
    at = at.line != 0 ? at : TextPosition{1, 1};
    return Subject{
        SubjectKind::Descriptor, descriptor.name, 0, descriptor.name, at.line, at.column, {}};
}

Subject OnFile(const std::string &name, const std::string &shown) {
    std::string file = IsNameBelowDirectory(name.c_str()) ? name : "";
    std::replace(file.begin(), file.end(), '\\', '/');
    return Subject{SubjectKind::File, shown, 0, file, 0, 0, {}};
}
