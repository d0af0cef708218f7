// CUpdatePolicy: the host's opt-in rules (ZvUpdatePolicy, from
// DoActionWithPolicy) as the workers read them. The default object is the
// policy of DoAction: no rule, a stall time of 60 s, no document limit.
#pragma once

#include "UpdateConfiguration2.h"
#include "ZvUpdatePolicy.h"
#include "http/Sha256.h"

#include "ZvOSAL/ZvString.h"

#include <vector>

class CUpdatePolicy {
public:
    CUpdatePolicy() = default;
    // policy must have passed IsAcceptable (or be null).
    explicit CUpdatePolicy(const ZvUpdatePolicy* policy);

    // False for a policy whose size is too small to be read.
    static bool IsAcceptable(const ZvUpdatePolicy* policy);
    // policy, or the default object when it is null.
    static const CUpdatePolicy& Of(const CUpdatePolicy* policy);
    static bool IsHttps(const wchar_t* url);

    bool Has(unsigned flag) const { return (m_flags & flag) != 0; }
    unsigned StallSeconds() const { return m_stallSeconds; }
    // -1 without a policy.
    long long MaxDocumentBytes() const { return m_maxDocumentBytes; }
    // The signer rules beyond a valid signature: publisher, thumbprints,
    // same publisher, revocation.
    bool HasSignerRules() const;
    const ZvOSAL::ZvString& Publisher() const { return m_publisher; }
    // True without a thumbprint list, or when the digest is on it.
    bool AcceptsThumbprint(const CSha256Digest& digest) const;

    // Logs the one line of a refusal: "Update policy <rule>: <what>."
    void Refuse(ZvAutoUpdate::CUpdateConfiguration2& host, const wchar_t* rule, const wchar_t* what) const;

private:
    unsigned m_flags = 0;
    unsigned m_stallSeconds = 60;
    long long m_maxDocumentBytes = -1;
    ZvOSAL::ZvString m_publisher;
    bool m_hasThumbprints = false;
    std::vector<CSha256Digest> m_thumbprints;
};
