// The checks a downloaded installer passes before the host receives it when
// a policy asks for more than the plain signature check: its Authenticode
// signature (revocation of the whole chain when the policy says so) and the
// rules on its signer (publisher, thumbprints, same publisher as the host's
// own executable).
//
// Under Wine, WinVerifyTrust does not check that the chain ends in a trusted
// root: a file signed under an unknown root passes the signature check there
// (Windows refuses it); the signer rules still apply.
#pragma once

#include "UpdateConfiguration2.h"
#include "online/UpdatePolicy.h"

class CInstallerTrust {
public:
    enum class EVerdict { Trusted, BadSignature, Publisher, Thumbprint, SamePublisher };

    static EVerdict Check(const wchar_t* path, const CUpdatePolicy& policy);
    // Logs the refusal line of a verdict other than Trusted.
    static void LogRefusal(EVerdict verdict, ZvAutoUpdate::CUpdateConfiguration2& host, const CUpdatePolicy& policy);
};
