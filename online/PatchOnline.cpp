#include "online/PatchOnline.h"

#include "ZvAutoUpdate.h"
#include "online/InstallerTrust.h"

using ZvAutoUpdate::CUpdateConfiguration2;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using ZvOSAL::ZvURL;
using EFailure = CZorvaHttpTransfer::EFailure;

namespace {

// The host observes the download of action 4.
class CHostObserver : public CTransferObserver {
public:
    explicit CHostObserver(CUpdateConfiguration2& host) : m_host(host) {}
    void OnDownloadSize(long long bytes) override { m_host.SetDownloadSize(bytes); }
    void OnDownloadProgress(long long bytes) override { m_host.OnDownloadProgress(bytes); }
    bool IsCancelRequested() override { return m_host.IsCancelRequested(); }

private:
    CUpdateConfiguration2& m_host;
};

} // namespace

CPatchOnline::CPatchOnline(CUpdateConfiguration2* configuration, const CUpdatePolicy* policy)
    : m_configuration(configuration)
    , m_contentLength(0)
    , m_policy(CUpdatePolicy::Of(policy))
    , m_refused(false)
{
    BuildURL();
}

CPatchOnline::~CPatchOnline() = default;

ZvString CPatchOnline::GetResultFileName()
{
    return ZvString(L"result.xml");
}

void CPatchOnline::Log(const ZvString& line)
{
    if (m_configuration)
        m_configuration->Log(line.c_str());
}

void CPatchOnline::BuildURL()
{
    if (!m_configuration)
        return;
    CUpdateConfiguration2& host = *m_configuration;

    m_queryURL = ZvString(host.GetUpdateURL());
    const bool https = m_queryURL.GetProtocol() == ZvURL::eProtocol_HTTPS;

    m_queryURL.AddParameter(ZvString(L"program"), ZvString(host.GetProgram()));
    m_queryURL.AddParameter(ZvString(L"program_version"), ZvString(host.GetProgramVersion()));
    // The language goes out as the host names it; the server interprets it.
    m_queryURL.AddParameter(ZvString(L"program_language"), ZvString(host.GetProgramLanguage()));

    if (host.GetPlatform() != 0) {
        const wchar_t* platform = nullptr;
        switch (host.GetPlatform()) {
        case 1: platform = L"win-x86"; break;
        case 2: platform = L"win-x64"; break;
        default: break;
        }
        if (platform)
            m_queryURL.AddParameter(ZvString(L"program_platform"), ZvString(platform));
    }

    if (host.GetSendSerialNumber()) {
        // A serial number is a secret of the customer's: never in clear text.
        if (!https) {
            Log(ZvString(L"CPatchOnline::BuildURL(): Can not add serial number. HTTPS is required."));
        } else {
            ZvString serial(host.GetSerialNumber());
            if (!serial.IsEmpty())
                m_queryURL.AddParameter(ZvString(L"serial"), serial);
            else
                Log(ZvString(L"CPatchOnline::BuildURL(): Can not add serial number. serial number must not empty."));
        }
    }

    m_queryURL.AddParameter(ZvString(L"format"), ZvString(L"html"));

    ZvString line;
    line.Format(L"CPatchOnline::BuildURL(): %s.", static_cast<const wchar_t*>(m_queryURL));
    Log(line);
}

ZvPath CPatchOnline::LocalFile(const ZvString& fileName)
{
    ZvPath file;
    const wchar_t* folder = m_configuration ? m_configuration->GetDownloadFolder() : nullptr;
    if (folder)
        file = ZvString(folder);
    else
        file = ZvPath(ZvPath::eSF_Temp, nullptr);
    file.SetFileNameAndExt(fileName);
    return file;
}

int CPatchOnline::IsAvailable(bool parse)
{
    int result = ZVAU_RESULT_FAILED;
    m_refused = false;
    CZorvaHttpTransfer transfer;
    if (m_configuration)
        m_localFile = LocalFile(GetResultFileName());
    // An error page is no answer to keep.
    transfer.SetKeepAnswer(false);
    CTransferLimits limits;
    limits.stallSeconds = m_policy.StallSeconds();
    limits.maxBytes = m_policy.MaxDocumentBytes();
    limits.httpsOnly = m_policy.Has(ZVAU_POLICY_REQUIRE_HTTPS);
    transfer.SetLimits(limits);

    if (transfer.RequestUrl(static_cast<const wchar_t*>(m_queryURL), m_localFile.ToString()) != 1) {
        ZvString line;
        switch (transfer.GetFailure()) {
        case EFailure::Stalled:
            line.Format(L"CPatchOnline::IsAvailable(): nothing received for %u s; the request was dropped.",
                        m_policy.StallSeconds());
            Log(line);
            break;
        case EFailure::NotHttps:
            m_refused = true;
            if (m_configuration)
                m_policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_HTTPS",
                                L"the query address or one of its redirects is not HTTPS");
            break;
        case EFailure::TooLarge:
            m_refused = true;
            line.Format(L"the patch description is longer than %I64d bytes", m_policy.MaxDocumentBytes());
            if (m_configuration)
                m_policy.Refuse(*m_configuration, L"maxDocumentBytes", line.c_str());
            break;
        default:
            break;
        }
        return result;
    }
    m_contentLength = transfer.GetContentLength();
    if (!transfer.HasContentLength()) {
        Log(ZvString(L"CPatchOnline::IsAvailable(): Content length is zero!"));
        return result;
    }
    ZvString line;
    line.Format(L"CPatchOnline::IsAvailable(): Content length is available (%I64u).",
                static_cast<unsigned long long>(m_contentLength));
    Log(line);
    if (!parse)
        return ZVAU_RESULT_OK;

    m_patchInfo.Read(m_localFile);
    if (!m_patchInfo.IsValid() || !IsAcceptedByPolicy(m_patchInfo))
        return result;
    if (m_configuration) {
        m_configuration->SetNewVersion(m_patchInfo.GetVersion().GetDisplayName().c_str());
        m_configuration->SetReleaseNotes(m_patchInfo.GetDescription().c_str());
    }
    return ZVAU_RESULT_OK;
}

bool CPatchOnline::IsAcceptedByPolicy(const CPatchInfo& patch)
{
    if (!m_configuration)
        return true;
    ZvString what;
    if (m_policy.Has(ZVAU_POLICY_REQUIRE_HTTPS) && !CUpdatePolicy::IsHttps(patch.GetUrl())) {
        m_policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_HTTPS", L"the download address is not HTTPS");
    } else if (m_policy.Has(ZVAU_POLICY_REQUIRE_NEWER)
               && !(patch.GetVersion() > ZvOSAL::ZvVersion(ZvString(m_configuration->GetProgramVersion())))) {
        what.Format(L"the offered version %s is not newer than this program's", patch.GetVersion().GetDisplayName().c_str());
        m_policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_NEWER", what.c_str());
    } else if (m_policy.Has(ZVAU_POLICY_REQUIRE_SHA256) && patch.GetSha256().IsEmpty()) {
        m_policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_SHA256", L"the patch description names no sha256");
    } else {
        return true;
    }
    m_refused = true;
    return false;
}

bool CPatchOnline::InstallerLimits(const CUpdatePolicy& policy, const CPatchInfo& patch, CTransferLimits& limits)
{
    limits.stallSeconds = policy.StallSeconds();
    limits.httpsOnly = policy.Has(ZVAU_POLICY_REQUIRE_HTTPS);
    if (policy.Has(ZVAU_POLICY_EXACT_SIZE))
        limits.exactBytes = patch.GetFileSize();
    const ZvString& sha256 = patch.GetSha256();
    if (sha256.IsEmpty())
        return true;
    limits.checkSha256 = ParseSha256(sha256.c_str(), sha256.GetLength(), limits.sha256);
    return limits.checkSha256;
}

bool CPatchOnline::ReportInstallerFailure(CUpdateConfiguration2& host, const CUpdatePolicy& policy,
                                          EFailure failure, const wchar_t* who)
{
    ZvString line;
    switch (failure) {
    case EFailure::Stalled:
        line.Format(L"%s: nothing received for %u s; the download was dropped.", who, policy.StallSeconds());
        host.Log(line.c_str());
        return false;
    case EFailure::Checksum:
        line.Format(L"%s: the installer does not match the sha256 of the patch description; it was deleted.", who);
        host.Log(line.c_str());
        return true;
    case EFailure::NotHttps:
        policy.Refuse(host, L"ZVAU_POLICY_REQUIRE_HTTPS", L"a redirect of the download is not HTTPS");
        return true;
    case EFailure::TooLarge:
    case EFailure::WrongSize:
        if (policy.Has(ZVAU_POLICY_EXACT_SIZE)) {
            policy.Refuse(host, L"ZVAU_POLICY_EXACT_SIZE",
                          L"the installer is not exactly the size of the patch description; it was deleted");
            return true;
        }
        return false;
    default:
        return false;
    }
}

int CPatchOnline::Download(bool notify)
{
    if (!m_configuration)
        return ZVAU_RESULT_BAD_ARGUMENT;
    CUpdateConfiguration2& host = *m_configuration;

    if (m_patchInfo.GetUrl().IsEmpty()) {
        Log(ZvString(L"CPatchOnline::Download(): Download url isn't available - try IsAvailable()."));
        // Only the fields the reading fills in matter here, not the verdict:
        // an answer that is not a usable patch may still name a download.
        IsAvailable(true);
    }
    if (m_patchInfo.GetUrl().IsEmpty()) {
        Log(ZvString(L"CPatchOnline::Download(): Download url isn't still available."));
        return ZVAU_RESULT_NO_DOWNLOAD_URL;
    }
    // A patch the policy refused is no usable patch (already logged).
    if (m_refused || !IsAcceptedByPolicy(m_patchInfo))
        return ZVAU_RESULT_NO_DOWNLOAD_URL;
    ZvString line;
    line.Format(L"CPatchOnline::Download(): Using download url: %s.",
                static_cast<const wchar_t*>(m_patchInfo.GetUrl()));
    Log(line);

    m_localFile = LocalFile(ZvString(host.GetInstallerFileName()));
    CTransferLimits limits;
    if (!InstallerLimits(m_policy, m_patchInfo, limits)) {
        Log(ZvString(L"CPatchOnline::Download(): the sha256 of the patch description is not 64 hexadecimal "
                     L"digits; nothing was downloaded."));
        return ZVAU_RESULT_TRANSFER_CANCELLED;
    }
    CZorvaHttpTransfer transfer;
    CHostObserver observer(host);
    if (notify)
        transfer.SetObserver(&observer);
    transfer.SetKeepAnswer(false);
    transfer.SetLimits(limits);

    if (host.GetNotifyDownload())
        host.OnDownloadBegin();
    int result = ZVAU_RESULT_TRANSFER_CANCELLED;
    const ZvString path = m_localFile.ToString();
    if (transfer.RequestUrl(static_cast<const wchar_t*>(m_patchInfo.GetUrl()), path) == 1) {
        const CInstallerTrust::EVerdict verdict = m_policy.Has(ZVAU_POLICY_VERIFY_DOWNLOAD)
                                                      ? CInstallerTrust::Check(path, m_policy)
                                                      : CInstallerTrust::EVerdict::Trusted;
        if (verdict != CInstallerTrust::EVerdict::Trusted) {
            DeleteFileW(path);
            CInstallerTrust::LogRefusal(verdict, host, m_policy);
        } else {
            result = ZVAU_RESULT_OK;
            if (notify) {
                line.Format(L"CPatchOnline::Download(): Adding file: %s.", static_cast<const wchar_t*>(m_localFile));
                Log(line);
                host.AddInstallerFile(path, m_patchInfo.GetPugInstaller());
            }
        }
    } else if (ReportInstallerFailure(host, m_policy, transfer.GetFailure(), L"CPatchOnline::Download()")) {
        DeleteFileW(path);
    }
    if (host.GetNotifyDownload())
        host.OnDownloadEnd();
    return result;
}
