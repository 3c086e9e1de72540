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
            Add(out, "MC505", file, {signature.file, signature.detail});
            continue;
        case SignatureState::Unsigned:
            Add(out, "MC501", file, {signature.file});
            continue;
        case SignatureState::BadDigest:
            Add(out, "MC502", file, {signature.file, signature.detail});
            continue;
        case SignatureState::Untrusted:
            Add(out, "MC504", file, {signature.file, signature.signer});
            break;
        case SignatureState::Verified:
            break;
        }
        if (signature.timestamp.empty()) {
            Add(out, "MC503", file, {signature.file, signature.signer});
        }
    }
}
