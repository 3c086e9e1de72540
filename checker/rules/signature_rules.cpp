// MC5xx: the signatures Windows judges before the loader's first instruction, of the loader and
// of the package.
#include "groups.h"

void CheckSignatures(const Observation &observation, const Prediction & /*prediction*/,
                     Findings *out) {
    for (const Signature &signature : observation.signatures) {
        const Subject file{SubjectKind::File, signature.file, 0, signature.file, 0, 0,
                           signature.length};
        switch (signature.state) {
        case SignatureState::NotChecked:
            Add<RuleId::SignaturesNotChecked>(out, file, signature.file, signature.detail);
            continue;
        case SignatureState::Unsigned:
            Add<RuleId::Unsigned>(out, file, signature.file);
            continue;
        case SignatureState::BadDigest:
            Add<RuleId::SignatureMismatch>(out, file, signature.file, signature.detail);
            continue;
        case SignatureState::Untrusted:
            Add<RuleId::UntrustedRoot>(out, file, signature.file, signature.signer);
            break;
        case SignatureState::Verified:
            break;
        }
        if (signature.timestamp.empty()) {
            Add<RuleId::NoTimestamp>(out, file, signature.file, signature.signer);
        }
    }
}
