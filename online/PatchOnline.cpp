#include "online/PatchOnline.h"

#include "ZvAutoUpdate.h"
#include "http/ZorvaHttpTransfer.h"

using ZvAutoUpdate::CUpdateConfiguration2;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using ZvOSAL::ZvURL;

CPatchOnline::CPatchOnline(CUpdateConfiguration2* configuration)
    : m_configuration(configuration)
    , m_contentLength(0)
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
    CZorvaHttpTransfer transfer;
    if (m_configuration)
        m_localFile = LocalFile(GetResultFileName());
    // An error page is no answer to keep.
    transfer.m_keepAnswer = FALSE;

    if (transfer.RequestUrl(static_cast<const wchar_t*>(m_queryURL), m_localFile.ToString()) != 1)
        return result;
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
    if (!m_patchInfo.IsValid())
        return result;
    if (m_configuration) {
        m_configuration->SetNewVersion(m_patchInfo.GetVersion().GetDisplayName().c_str());
        m_configuration->SetReleaseNotes(m_patchInfo.GetDescription().c_str());
    }
    return ZVAU_RESULT_OK;
}

int CPatchOnline::Download(bool notify)
{
    CZorvaHttpTransfer transfer;
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
    ZvString line;
    line.Format(L"CPatchOnline::Download(): Using download url: %s.",
                static_cast<const wchar_t*>(m_patchInfo.GetUrl()));
    Log(line);

    m_localFile = LocalFile(ZvString(host.GetInstallerFileName()));
    if (notify)
        transfer.SetObserver(m_configuration);
    transfer.m_keepAnswer = FALSE;

    if (host.GetNotifyDownload())
        host.OnDownloadBegin();
    int result = ZVAU_RESULT_TRANSFER_CANCELLED;
    if (transfer.RequestUrl(static_cast<const wchar_t*>(m_patchInfo.GetUrl()), m_localFile.ToString()) == 1) {
        result = ZVAU_RESULT_OK;
        if (notify) {
            line.Format(L"CPatchOnline::Download(): Adding file: %s.", static_cast<const wchar_t*>(m_localFile));
            Log(line);
            host.AddInstallerFile(m_localFile.ToString(), m_patchInfo.GetPugInstaller());
        }
    }
    if (host.GetNotifyDownload())
        host.OnDownloadEnd();
    return result;
}
