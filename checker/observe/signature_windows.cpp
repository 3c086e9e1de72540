// Windows: WinVerifyTrust's generic Authenticode verification, without revocation checks, as
// Windows judges a program before it runs; the signer, its certificate's validity period and the
// time-stamp from its provider data. Each answer is kept with its code.
#include "signature.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <string>
#include <vector>

namespace {

// A time-stamp whose time this machine's CryptoAPI does not give (Wine 8 for an RFC 3161 token).
const char kTimeNotRead[] = "at a time this machine does not decode";

std::wstring Wide(const std::string &text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
    wide.resize(size > 0 ? size - 1 : 0); // without the terminator the call wrote
    return wide;
}

std::string TimeText(const FILETIME &time) {
    SYSTEMTIME utc;
    if ((time.dwLowDateTime == 0 && time.dwHighDateTime == 0) ||
        !FileTimeToSystemTime(&time, &utc)) {
        return "";
    }
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
              utc.wMinute, utc.wSecond);
    return text;
}

std::string SubjectOf(PCCERT_CONTEXT certificate) {
    DWORD size = CertNameToStrA(X509_ASN_ENCODING, &certificate->pCertInfo->Subject,
                                CERT_X500_NAME_STR, NULL, 0);
    std::vector<char> name(size + 1, '\0');
    CertNameToStrA(X509_ASN_ENCODING, &certificate->pCertInfo->Subject, CERT_X500_NAME_STR,
                   name.data(), size);
    return name.data();
}

// The time of an RFC 3161 time-stamp token: the signed TSTInfo's genTime, decoded by CryptoAPI.
std::string TokenTime(const CRYPT_ATTR_BLOB &token) {
    const DWORD encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    std::string text;
    HCRYPTMSG message = CryptMsgOpenToDecode(encoding, 0, 0, 0, NULL, NULL);
    DWORD size = 0;
    if (message && CryptMsgUpdate(message, token.pbData, token.cbData, TRUE) &&
        CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, NULL, &size)) {
        std::vector<BYTE> content(size);
        CRYPT_TIMESTAMP_INFO *info = NULL;
        DWORD infoSize = 0;
        if (CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, content.data(), &size) &&
            CryptDecodeObjectEx(encoding, TIMESTAMP_INFO, content.data(), size,
                                CRYPT_DECODE_ALLOC_FLAG, NULL, &info, &infoSize)) {
            text = TimeText(info->ftTime);
            LocalFree(info);
        }
    }
    if (message) {
        CryptMsgClose(message);
    }
    return text;
}

// A time-stamp is a counter-signature: the older PKCS #9 one that WinVerifyTrust reads as a
// counter-signer, or an RFC 3161 token in the signer's unsigned attributes.
std::string Timestamp(CRYPT_PROVIDER_SGNR *signer) {
    if (signer->csCounterSigners > 0) {
        std::string time = TimeText(signer->pasCounterSigners[0].sftVerifyAsOf);
        return time.empty() ? kTimeNotRead : time;
    }
    const CRYPT_ATTRIBUTES &unsigned_ = signer->psSigner->UnauthAttrs;
    for (DWORD i = 0; i < unsigned_.cAttr; ++i) {
        const CRYPT_ATTRIBUTE &attribute = unsigned_.rgAttr[i];
        if (lstrcmpA(attribute.pszObjId, szOID_RFC3161_counterSign) == 0 && attribute.cValue > 0) {
            std::string time = TokenTime(attribute.rgValue[0]);
            return time.empty() ? kTimeNotRead : time;
        }
    }
    return "";
}

// The answers that say WinVerifyTrust does not take the file for a program or an installer
// package: as the answer itself, or, as Microsoft's example reads it, behind TRUST_E_NOSIGNATURE.
bool IsNoSubject(LONG status) {
    return status == TRUST_E_SUBJECT_FORM_UNKNOWN || status == TRUST_E_PROVIDER_UNKNOWN;
}

SignatureState StateOf(LONG status) {
    switch (status) {
    case ERROR_SUCCESS:
        return SignatureState::Verified;
    case TRUST_E_NOSIGNATURE:
        return SignatureState::Unsigned;
    case TRUST_E_BAD_DIGEST:
        return SignatureState::BadDigest;
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
        return SignatureState::Untrusted;
    case CERT_E_EXPIRED:
        return SignatureState::Expired;
    case CERT_E_REVOKED:
        return SignatureState::Revoked;
    case CERT_E_WRONG_USAGE:
        return SignatureState::WrongUsage;
    case TRUST_E_EXPLICIT_DISTRUST:
        return SignatureState::Distrusted;
    default:
        return SignatureState::NotAccepted;
    }
}

} // namespace

std::optional<Signature> ObserveSignature(const std::string &path, const std::string &file) {
    Signature signature;
    signature.file = file;
    const std::wstring widePath = Wide(path);
    WINTRUST_FILE_INFO fileInfo;
    ZeroMemory(&fileInfo, sizeof(fileInfo));
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = widePath.c_str();
    WINTRUST_DATA data;
    ZeroMemory(&data, sizeof(data));
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const LONG why = static_cast<LONG>(GetLastError());
    CRYPT_PROVIDER_DATA *provider = WTHelperProvDataFromStateData(data.hWVTStateData);
    CRYPT_PROVIDER_SGNR *signer =
        provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : NULL;
    if (signer && signer->psSigner && signer->csCertChain > 0 && signer->pasCertChain[0].pCert) {
        const CERT_INFO &certificate = *signer->pasCertChain[0].pCert->pCertInfo;
        signature.signer = SubjectOf(signer->pasCertChain[0].pCert);
        signature.timestamp = Timestamp(signer);
        signature.validFrom = TimeText(certificate.NotBefore);
        signature.validTo = TimeText(certificate.NotAfter);
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (IsNoSubject(status) || (status == TRUST_E_NOSIGNATURE && IsNoSubject(why))) {
        return std::nullopt;
    }
    signature.state = StateOf(status);
    signature.code = static_cast<std::uint32_t>(status);
    signature.detail = status == TRUST_E_BAD_DIGEST ? "TRUST_E_BAD_DIGEST" : "";
    return signature;
}
