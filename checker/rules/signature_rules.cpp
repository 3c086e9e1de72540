// MC5xx: the signatures Windows judges before the loader's first instruction, of the loader and
// of the package, each of WinVerifyTrust's answers with its own finding.
#include "groups.h"

#include <iomanip>
#include <sstream>

namespace {

// An answer as winerror.h writes it.
std::string AnswerCode(std::uint32_t code) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << code;
    return text.str();
}

} // namespace

void CheckSignatures(const Observation &observation, const Prediction & /*prediction*/,
                     Findings *out) {
    for (const Signature &signature : observation.signatures) {
        const Subject file{SubjectKind::File, signature.file, 0, signature.file, 0, 0,
                           signature.length};
        const std::string &name = signature.file;
        switch (signature.state) {
        case SignatureState::NotChecked:
            Add<RuleId::SignaturesNotChecked>(out, file, name, signature.detail);
            continue;
        case SignatureState::Unsigned:
            Add<RuleId::Unsigned>(out, file, name);
            continue;
        case SignatureState::BadDigest:
            Add<RuleId::SignatureMismatch>(out, file, name, signature.detail);
            continue;
        case SignatureState::Expired:
            Add<RuleId::CertificateOutsideValidity>(out, file, name, signature.signer,
                                                    signature.validFrom, signature.validTo);
            continue;
        case SignatureState::Revoked:
            Add<RuleId::CertificateRevoked>(out, file, name, signature.signer);
            continue;
        case SignatureState::WrongUsage:
            Add<RuleId::CertificateWrongUsage>(out, file, name, signature.signer);
            continue;
        case SignatureState::Distrusted:
            Add<RuleId::CertificateDistrusted>(out, file, name, signature.signer);
            continue;
        case SignatureState::NotAccepted:
            Add<RuleId::SignatureNotAccepted>(out, file, name, AnswerCode(signature.code));
            continue;
        case SignatureState::Untrusted:
            Add<RuleId::UntrustedRoot>(out, file, name, signature.signer);
            break;
        case SignatureState::Verified:
            break;
        }
        if (signature.timestamp.empty()) {
            Add<RuleId::NoTimestamp>(out, file, name, signature.signer);
        }
    }
}
