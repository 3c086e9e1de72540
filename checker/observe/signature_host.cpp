// The build machine: `osslsigncode verify`, read for its verdict on the digest, the signer's
// subject, its certificate's validity period and the time-stamp. Its chain check is against this
// machine's authorities, which say nothing of a Windows machine's, so a chain it cannot build is
// not taken as a verdict; where it builds one, its objections to the signer's certificate are
// WinVerifyTrust's. Without a chain, the validity period is judged as Windows judges it: at the
// time-stamp's time, or now.
#include "signature.h"
#include "program_image.h"
#include "run_program_host.h"

#include <ctime>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <utility>
#include <vector>

namespace {

const char kVerifier[] = "osslsigncode";

// Everything the verifier prints (it splits its report over both streams), started without a
// shell; false and why when it cannot be started.
bool VerifierReport(const std::string &path, std::string *report) {
    const ProgramRun run = RunProgram({kVerifier, "verify", "-in", path});
    *report = run.started ? run.said : std::string(kVerifier) + " cannot be started: " + run.said;
    return run.started;
}

// The line of the report that holds text at or after from, trimmed of blanks; "" when none does.
std::string LineWith(const std::string &report, const std::string &text, size_t from = 0) {
    size_t at = report.find(text, from);
    if (at == std::string::npos) {
        return "";
    }
    size_t start = report.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    std::string line = report.substr(start, report.find('\n', at) - start);
    size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos
               ? ""
               : line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
}

// What follows a label on its line: "Subject: /CN=x" gives "/CN=x".
std::string AfterLabel(const std::string &line, const std::string &label) {
    size_t at = line.find(label);
    if (at == std::string::npos) {
        return "";
    }
    size_t value = line.find_first_not_of(" \t", at + label.size());
    return value == std::string::npos ? "" : line.substr(value);
}

// A value as CertNameToStr writes it: in quotes, its own doubled, where it holds a character
// that separates names or it starts or ends with a blank.
std::string QuotedValue(const std::string &value) {
    const bool quoted = value.empty() || value.front() == ' ' || value.back() == ' ' ||
                        value.find_first_of(",+=\"<>#;\n") != std::string::npos;
    if (!quoted) {
        return value;
    }
    std::string text = "\"";
    for (char c : value) {
        text += c == '"' ? "\"\"" : std::string(1, c);
    }
    return text + "\"";
}

// OpenSSL's one-line name ("/C=US/O=Maker/CN=Publisher") in the form Windows shows a signer in
// (CertNameToStr's X.500 form, "C=US, O=Maker, CN=Publisher"): the same order, the key names
// Windows gives the attributes where OpenSSL's differ.
std::string WindowsNameForm(const std::string &oneLine) {
    static const std::pair<const char *, const char *> kKeys[] = {{"ST", "S"},
                                                                  {"emailAddress", "E"},
                                                                  {"street", "STREET"},
                                                                  {"title", "T"},
                                                                  {"GN", "G"},
                                                                  {"initials", "I"},
                                                                  {"serialNumber", "SERIALNUMBER"},
                                                                  {"UID", "UID"},
                                                                  {"DC", "DC"}};
    std::vector<std::string> parts;
    for (size_t at = 0; at < oneLine.size();) {
        // A part starts at a '/' followed by a key and '='; a '/' elsewhere is in a value.
        size_t next = at + 1;
        while ((next = oneLine.find('/', next)) != std::string::npos) {
            const size_t equals = oneLine.find('=', next);
            const size_t key = oneLine.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.", next + 1);
            if (equals != std::string::npos && key == equals && equals > next + 1) {
                break;
            }
            ++next;
        }
        parts.push_back(oneLine.substr(at + 1, next == std::string::npos ? next : next - at - 1));
        at = next == std::string::npos ? oneLine.size() : next;
    }
    std::string name;
    for (const std::string &part : parts) {
        const size_t equals = part.find('=');
        std::string key = part.substr(0, equals);
        for (const auto &[openssl, windows] : kKeys) {
            key = key == openssl ? windows : key;
        }
        name += (name.empty() ? "" : ", ") + key + "=" +
                QuotedValue(equals == std::string::npos ? "" : part.substr(equals + 1));
    }
    return name;
}

// OpenSSL's time ("Dec  9 10:10:14 2026 GMT") as the Windows build writes one
// ("2026-12-09 10:10:14 UTC"); any other text as it is.
std::string TimeForm(const std::string &time) {
    std::istringstream in(time);
    std::tm parts{};
    std::string zone;
    in >> std::get_time(&parts, "%b %d %H:%M:%S %Y") >> zone;
    if (in.fail() || zone != "GMT" || !in.eof()) {
        return time;
    }
    std::ostringstream out;
    out << std::put_time(&parts, "%Y-%m-%d %H:%M:%S UTC");
    return out.str();
}

// Now, as TimeForm writes a time.
std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    std::ostringstream out;
    out << std::put_time(&parts, "%Y-%m-%d %H:%M:%S UTC");
    return out.str();
}

// What the verifier says of the signer's certificate chain: the report after the time-stamp's
// own verdict, which has objections of its own.
SignatureState ChainVerdict(const std::string &report) {
    const size_t stamp = report.rfind("Timestamp Server Signature verification");
    const std::string signer = report.substr(stamp == std::string::npos ? 0 : stamp);
    if (signer.find("Error: certificate has expired") != std::string::npos ||
        signer.find("Error: certificate is not yet valid") != std::string::npos) {
        return SignatureState::Expired;
    }
    if (signer.find("Error: certificate revoked") != std::string::npos) {
        return SignatureState::Revoked;
    }
    if (report.find("Unsupported Signer's certificate purpose") != std::string::npos) {
        return SignatureState::WrongUsage;
    }
    return SignatureState::Verified;
}

} // namespace

std::optional<Signature> ObserveSignature(const std::string &path, const std::string &file) {
    Signature signature;
    signature.file = file;
    // The verifier reads all of a program to say it is unsigned; its headers say so at once, as
    // they do to Windows.
    if (LacksCertificateTable(path)) {
        signature.state = SignatureState::Unsigned;
        return signature;
    }
    std::string report;
    if (!VerifierReport(path, &report)) {
        signature.detail = report;
        return signature;
    }
    if (report.find("unsupported input file type") != std::string::npos) {
        return std::nullopt;
    }
    // A program's certificate table followed by other bytes: the verifier takes it for no
    // signature, while Windows hashes the bytes after the signature with the rest of the file and
    // finds that the digest does not match.
    if (report.find("signature not at the end of the file") != std::string::npos) {
        signature.state = SignatureState::BadDigest;
        signature.detail = "bytes follow the signature: the file was changed after signing";
        return signature;
    }
    // A program says "No signature found", an MSI "MSI file has no signature".
    if (report.find("No signature found") != std::string::npos ||
        report.find("has no signature") != std::string::npos) {
        signature.state = SignatureState::Unsigned;
        return signature;
    }
    const size_t signer = report.find("Signer #0:");
    if (signer != std::string::npos) {
        const std::string subject = AfterLabel(LineWith(report, "Subject:", signer), "Subject:");
        signature.signer = subject.rfind('/', 0) == 0 ? WindowsNameForm(subject) : subject;
        signature.validFrom =
            TimeForm(AfterLabel(LineWith(report, "notBefore :", signer), "notBefore :"));
        signature.validTo =
            TimeForm(AfterLabel(LineWith(report, "notAfter :", signer), "notAfter :"));
    }
    signature.timestamp =
        TimeForm(AfterLabel(LineWith(report, "Timestamp time:"), "Timestamp time:"));
    const bool digestRead = report.find("Calculated message digest") != std::string::npos;
    if (!digestRead || report.find("MISMATCH") != std::string::npos) {
        signature.state = SignatureState::BadDigest;
        signature.detail =
            digestRead ? "calculated message digest MISMATCH" : LineWith(report, "rror");
        return signature;
    }
    signature.state = ChainVerdict(report);
    // Times written alike order as texts.
    const std::string at = signature.timestamp.empty() ? Now() : signature.timestamp;
    if (signature.state == SignatureState::Verified && !signature.validFrom.empty() &&
        (at < signature.validFrom || at > signature.validTo)) {
        signature.state = SignatureState::Expired;
    }
    return signature;
}
