#include "online/InstallerTrust.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <utility>
#include <vector>

using ZvOSAL::ZvString;

namespace {

// Owns one certificate context.
class CCertificate {
public:
    explicit CCertificate(PCCERT_CONTEXT context = nullptr) : m_context(context) {}
    ~CCertificate()
    {
        if (m_context)
            CertFreeCertificateContext(m_context);
    }
    CCertificate(CCertificate&& other) noexcept : m_context(std::exchange(other.m_context, nullptr)) {}
    CCertificate& operator=(CCertificate&& other) noexcept
    {
        std::swap(m_context, other.m_context);
        return *this;
    }
    CCertificate(const CCertificate&) = delete;
    CCertificate& operator=(const CCertificate&) = delete;
    PCCERT_CONTEXT Get() const { return m_context; }

private:
    PCCERT_CONTEXT m_context;
};

// The signing certificate of a file whose Authenticode signature is valid;
// empty when it is not.
CCertificate VerifiedSigner(const wchar_t* path, bool revocation)
{
    wchar_t fullPath[MAX_PATH] = {};
    const DWORD length = path ? GetFullPathNameW(path, MAX_PATH, fullPath, nullptr) : 0;
    if (length == 0 || length >= MAX_PATH)
        return CCertificate();
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = fullPath;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = revocation ? WTD_REVOKE_WHOLECHAIN : WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = revocation ? WTD_REVOCATION_CHECK_CHAIN : WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // No window: the check never asks the user.
    const LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    CCertificate signer;
    if (status == 0 && data.hWVTStateData) {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signature = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* certificate = signature ? WTHelperGetProvCertFromChain(signature, 0) : nullptr;
        if (certificate && certificate->pCert)
            signer = CCertificate(CertDuplicateCertificateContext(certificate->pCert));
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return signer;
}

ZvString CommonName(PCCERT_CONTEXT certificate)
{
    wchar_t name[512] = {};
    CertGetNameStringW(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name, 512);
    return ZvString(name);
}

bool SameNames(PCCERT_CONTEXT a, PCCERT_CONTEXT b)
{
    return CertCompareCertificateName(X509_ASN_ENCODING, &a->pCertInfo->Subject, &b->pCertInfo->Subject)
           && CertCompareCertificateName(X509_ASN_ENCODING, &a->pCertInfo->Issuer, &b->pCertInfo->Issuer);
}

} // namespace

CInstallerTrust::EVerdict CInstallerTrust::Check(const wchar_t* path, const CUpdatePolicy& policy)
{
    const bool revocation = policy.Has(ZVAU_POLICY_CHECK_REVOCATION);
    const CCertificate signer = VerifiedSigner(path, revocation);
    if (!signer.Get())
        return EVerdict::BadSignature;
    if (!policy.Publisher().IsEmpty() && !(CommonName(signer.Get()) == policy.Publisher()))
        return EVerdict::Publisher;
    CSha256 hash;
    CSha256Digest thumbprint = {};
    if (!hash.Add(signer.Get()->pbCertEncoded, signer.Get()->cbCertEncoded) || !hash.Finish(thumbprint)
        || !policy.AcceptsThumbprint(thumbprint)) {
        return EVerdict::Thumbprint;
    }
    if (policy.Has(ZVAU_POLICY_SAME_PUBLISHER)) {
        wchar_t host[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, host, MAX_PATH);
        const CCertificate hostSigner = length > 0 && length < MAX_PATH ? VerifiedSigner(host, revocation)
                                                                         : CCertificate();
        if (!hostSigner.Get() || !SameNames(signer.Get(), hostSigner.Get()))
            return EVerdict::SamePublisher;
    }
    return EVerdict::Trusted;
}

void CInstallerTrust::LogRefusal(EVerdict verdict, ZvAutoUpdate::CUpdateConfiguration2& host,
                                 const CUpdatePolicy& policy)
{
    switch (verdict) {
    case EVerdict::Trusted:
        break;
    case EVerdict::BadSignature:
        policy.Refuse(host, policy.Has(ZVAU_POLICY_CHECK_REVOCATION) ? L"ZVAU_POLICY_CHECK_REVOCATION"
                                                                       : L"ZVAU_POLICY_VERIFY_DOWNLOAD",
                      L"the installer has no valid signature; it was deleted");
        break;
    case EVerdict::Publisher:
        policy.Refuse(host, L"publisher", L"the installer is signed by another publisher; it was deleted");
        break;
    case EVerdict::Thumbprint:
        policy.Refuse(host, L"thumbprints", L"the installer's signing certificate is not accepted; it was deleted");
        break;
    case EVerdict::SamePublisher:
        policy.Refuse(host, L"ZVAU_POLICY_SAME_PUBLISHER",
                      L"the installer's signer is not the signer of this program; it was deleted");
        break;
    }
}
