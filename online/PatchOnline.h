// CPatchOnline: the update query, the availability check (action 3) and the
// download of the patch installer (action 4).
//
// The constructor builds the query URL once from the configuration:
//
//   <GetUpdateURL>?format=html&program=P&program_language=L
//                 &program_platform=win-x86|win-x64&program_version=V[&serial=S]
//
// Parameters are kept in name order by ZvURL; values are sent as the host
// gives them (nothing is escaped). "serial" is sent only over HTTPS, and only
// when GetSendSerialNumber is true and the serial number is not empty; the
// refusals are logged. The URL is logged as
// "CPatchOnline::BuildURL(): <url>.".
//
// IsAvailable stores the server's answer as result.xml and Download stores
// the installer under GetInstallerFileName, both in GetDownloadFolder (a
// path whose last component is replaced by the file name: give it with a
// trailing backslash) or in the temporary folder. Both files stay on disk;
// existing files are replaced.
//
// A request that receives nothing for the policy's stall time (60 s without a
// policy) fails with a log line. An installer that does not match the
// document's sha256 fails and is deleted. The host's policy (CUpdatePolicy)
// adds its rules; each refusal logs one line naming the rule.
#pragma once

#include "UpdateConfiguration2.h"
#include "http/ZorvaHttpTransfer.h"
#include "online/PatchInfo.h"
#include "online/UpdatePolicy.h"

#include "ZvOSAL/ZvPath.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvURL.h"

class CPatchOnline {
public:
    // configuration may be null: the query URL then stays empty, IsAvailable
    // returns 2 and Download 3. policy (not owned) may be null: no rules.
    explicit CPatchOnline(ZvAutoUpdate::CUpdateConfiguration2* configuration, const CUpdatePolicy* policy = nullptr);
    virtual ~CPatchOnline();

    CPatchOnline(const CPatchOnline&) = delete;
    CPatchOnline& operator=(const CPatchOnline&) = delete;

    // "result.xml": the name under which the server's answer is stored.
    virtual ZvOSAL::ZvString GetResultFileName();
    // Fills the query URL from the configuration (called by the constructor).
    virtual void BuildURL();

    // Sends the query and stores the answer. 1: the answer has a known length
    // (Content-Length or chunked) and, when parse is true, describes a usable
    // patch that the policy accepts, whose version and release notes the host
    // then receives through SetNewVersion and SetReleaseNotes; 2: anything
    // else.
    int IsAvailable(bool parse);
    // Downloads the installer named by the answer, checking first when no
    // download address is known yet. With notify true the host observes the
    // transfer (SetDownloadSize, OnDownloadProgress, IsCancelRequested) and
    // receives the file through AddInstallerFile. 1: downloaded; 3: no
    // configuration; 10: no download address, or a patch the policy refuses;
    // 15: failed, cancelled or refused (a partial file stays, a refused one
    // is deleted).
    int Download(bool notify);

    // The policy's rules on a patch document (HTTPS download address, a newer
    // version, a sha256 attribute); each refusal is logged.
    bool IsAcceptedByPolicy(const CPatchInfo& patch);
    // The rules of the installer's transfer: stall time, the policy's HTTPS
    // and exact-size rules, the document's sha256. False when the document's
    // sha256 is not 64 hexadecimal digits (nothing is to be downloaded).
    static bool InstallerLimits(const CUpdatePolicy& policy, const CPatchInfo& patch, CTransferLimits& limits);
    // Logs why an installer's transfer failed, where the reason is worth a
    // line; true when the file must go (it was refused).
    static bool ReportInstallerFailure(ZvAutoUpdate::CUpdateConfiguration2& host, const CUpdatePolicy& policy,
                                       CZorvaHttpTransfer::EFailure failure, const wchar_t* who);

    CPatchInfo& GetPatchInfo() { return m_patchInfo; }
    ZvOSAL::ZvPath& GetLocalFile() { return m_localFile; }

private:
    void Log(const ZvOSAL::ZvString& line);
    // The download folder, or the temporary folder, with fileName as its file.
    ZvOSAL::ZvPath LocalFile(const ZvOSAL::ZvString& fileName);

    CPatchInfo m_patchInfo;
    ZvAutoUpdate::CUpdateConfiguration2* m_configuration;
    ZvOSAL::ZvPath m_localFile;
    ZvOSAL::ZvURL m_queryURL;
    long long m_contentLength;
    const CUpdatePolicy& m_policy;
    // The last check's patch was refused by the policy.
    bool m_refused;
};
