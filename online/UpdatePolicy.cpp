#include "online/UpdatePolicy.h"

#include <cstddef>
#include <cwchar>

using ZvOSAL::ZvString;

CUpdatePolicy::CUpdatePolicy(const ZvUpdatePolicy* policy)
{
    if (!policy)
        return;
    m_flags = policy->flags;
    if (policy->stallSeconds)
        m_stallSeconds = policy->stallSeconds;
    m_maxDocumentBytes = policy->maxDocumentBytes > 0 ? policy->maxDocumentBytes : 1024 * 1024;
    if (policy->publisher)
        m_publisher = policy->publisher;
    if (policy->thumbprints) {
        // A list that names no well-formed thumbprint accepts no certificate.
        m_hasThumbprints = true;
        const wchar_t* entry = policy->thumbprints;
        for (;;) {
            const wchar_t* end = wcschr(entry, L';');
            const int length = end ? static_cast<int>(end - entry) : static_cast<int>(wcslen(entry));
            ZvString text(entry, length);
            text.Trim();
            CSha256Digest digest;
            if (ParseSha256(text.c_str(), text.GetLength(), digest))
                m_thumbprints.push_back(digest);
            if (!end)
                break;
            entry = end + 1;
        }
    }
}

bool CUpdatePolicy::IsAcceptable(const ZvUpdatePolicy* policy)
{
    return !policy || policy->size >= sizeof(ZvUpdatePolicy);
}

const CUpdatePolicy& CUpdatePolicy::Of(const CUpdatePolicy* policy)
{
    static const CUpdatePolicy none;
    return policy ? *policy : none;
}

bool CUpdatePolicy::IsHttps(const wchar_t* url)
{
    return url && _wcsnicmp(url, L"https://", 8) == 0;
}

bool CUpdatePolicy::HasSignerRules() const
{
    return !m_publisher.IsEmpty() || m_hasThumbprints
           || Has(ZVAU_POLICY_SAME_PUBLISHER | ZVAU_POLICY_CHECK_REVOCATION);
}

bool CUpdatePolicy::AcceptsThumbprint(const CSha256Digest& digest) const
{
    if (!m_hasThumbprints)
        return true;
    for (const CSha256Digest& accepted : m_thumbprints) {
        if (accepted == digest)
            return true;
    }
    return false;
}

void CUpdatePolicy::Refuse(ZvAutoUpdate::CUpdateConfiguration2& host, const wchar_t* rule, const wchar_t* what) const
{
    ZvString line;
    line.Format(L"Update policy %s: %s.", rule, what);
    host.Log(line.c_str());
}
