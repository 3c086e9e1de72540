// The Authenticode signature of a program on the medium, one implementation per build: on the
// build machine osslsigncode's verdict, on Windows WinVerifyTrust's. Neither checks revocation.
#pragma once

#include "../model/observation.h"

#include <optional>
#include <string>

// path: where the file lies on this machine; file: its name relative to the medium. Nothing for a
// file the verifier does not take for a program or an installer package, as Windows does not.
std::optional<Signature> ObserveSignature(const std::string &path, const std::string &file);
