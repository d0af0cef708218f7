/* ZvUpdatePolicy.h: DoActionWithPolicy, DoAction with rules that a careful
 * publisher sets for its updates. C and C++ (C++11 or later).
 *
 *   ZvUpdatePolicy policy;
 *   memset(&policy, 0, sizeof policy);
 *   policy.size = sizeof policy;
 *   policy.flags = ZVAU_POLICY_REQUIRE_HTTPS | ZVAU_POLICY_REQUIRE_NEWER | ZVAU_POLICY_VERIFY_DOWNLOAD
 *                | ZVAU_POLICY_SAME_PUBLISHER | ZVAU_POLICY_EXACT_SIZE;
 *   int result = DoActionWithPolicy(&configuration, 4, &policy);
 *
 * A null policy, or one with flags 0 and null strings, behaves exactly as
 * DoAction (maxDocumentBytes and stallSeconds aside: see below). Results are
 * DoAction's: a rule that refuses something logs one line through the host's
 * Log that names the rule ("Update policy ZVAU_POLICY_REQUIRE_HTTPS: ...")
 * and ends the action with the code that path already has: action 3 with 2
 * (no update), action 4 with 10 (no usable patch) or 15 (the downloaded file
 * was refused; it is deleted), action 1 with "no update" or with the failed
 * signature check the user already knows, action 2 with 2. A policy whose
 * size is smaller than this structure returns 3; larger sizes (from newer
 * hosts) are accepted.
 */
#ifndef ZVUPDATEPOLICY_H
#define ZVUPDATEPOLICY_H

#include "ZvAutoUpdate.h"

/* Query, download and every redirect over HTTPS; the customer-data upload
 * goes over HTTPS to the server that the redirect document names, which must
 * then be a whole https address (its port is used). */
#define ZVAU_POLICY_REQUIRE_HTTPS 0x1u
/* An offered version not above GetProgramVersion is "no update". */
#define ZVAU_POLICY_REQUIRE_NEWER 0x2u
/* Action 4 checks the installer's Authenticode signature before
 * AddInstallerFile, as action 1 does. */
#define ZVAU_POLICY_VERIFY_DOWNLOAD 0x4u
/* The installer's signer must be the signer of the host's own executable
 * (same subject and issuer). */
#define ZVAU_POLICY_SAME_PUBLISHER 0x8u
/* The body must be exactly the document's filesize; the transfer stops as
 * soon as it would exceed it. */
#define ZVAU_POLICY_EXACT_SIZE 0x10u
/* Revocation is checked for the whole signing chain. */
#define ZVAU_POLICY_CHECK_REVOCATION 0x20u
/* A document without a sha256 attribute is not a usable patch. */
#define ZVAU_POLICY_REQUIRE_SHA256 0x40u

typedef struct ZvUpdatePolicy {
    unsigned int size;          /* sizeof(ZvUpdatePolicy); larger sizes from newer hosts are accepted, smaller are refused */
    unsigned int flags;         /* ZVAU_POLICY_* */
    const wchar_t* publisher;   /* required signer: the subject's common name, exact; null = any */
    const wchar_t* thumbprints; /* accepted signing certificates, SHA-256 hex, ';'-separated; null = any */
    long long maxDocumentBytes; /* 0 = 1 MiB */
    unsigned int stallSeconds;  /* 0 = 60 */
} ZvUpdatePolicy;

/* publisher and thumbprints apply to actions 1 and 4 (for 4 together with
 * ZVAU_POLICY_VERIFY_DOWNLOAD). maxDocumentBytes bounds the patch description
 * while it downloads (a longer one is "no update"). stallSeconds:
 * a request that receives nothing for this long fails (DoAction uses 60). */

#ifdef __cplusplus
extern "C" {
#endif

ZVAUTOUPDATE_ENTRY int __cdecl DoActionWithPolicy(ZVAUTOUPDATE_CONFIGURATION* configuration, int action,
                                                  const ZvUpdatePolicy* policy);

/* For hosts that load the library with LoadLibraryW/GetProcAddress. */
typedef int(__cdecl* ZvDoActionWithPolicyFn)(ZVAUTOUPDATE_CONFIGURATION* configuration, int action,
                                             const ZvUpdatePolicy* policy);

#ifdef __cplusplus
}
#endif

#endif /* ZVUPDATEPOLICY_H */
