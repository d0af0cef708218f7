// The customer-data upload: a redirect document names the server and path,
// then the file goes out in one multipart POST to port 80 of that server (to
// the HTTPS server the document names when the host's policy requires
// HTTPS).
#include "update/Updater.h"

#include "http/HttpUpload.h"
#include "online/UpdatePolicy.h"
#include "osal/LibraryModule.h"

#include <shlwapi.h>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

const DWORD kRedirectReadSize = 4096;

// The library's application name: its module file name without extension
// ("ZvAutoUpdate" for the usual file name).
ZvString AgentName()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(ZvOSAL::LibraryModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ZvString(L"ZvAutoUpdate");
    wchar_t* name = PathFindFileNameW(path);
    PathRemoveExtensionW(name);
    return ZvString(name);
}

struct UploadTarget {
    ZvString server;
    ZvString object;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
    bool secure = false;
};

// The redirect document holds one address. Plain rule: "http://server/path",
// the server from index 7 up to the first "/" at or after index 8, the path
// from there to the end, line break included. Under an HTTPS-only policy the
// document must be a whole https address instead; its port is honoured.
bool ParseRedirect(const ZvString& document, bool httpsOnly, UploadTarget& target)
{
    if (!httpsOnly) {
        const int slash = document.GetLength() > 8 ? document.Find(L'/', 8) : -1;
        if (slash < 0)
            return false;
        target.server = document.Mid(7, slash - 7);
        target.object = document.Mid(slash);
        return true;
    }
    ZvString address(document);
    address.TrimRight(L"\r\n\t ");
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    wchar_t path[INTERNET_MAX_PATH_LENGTH] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = INTERNET_MAX_PATH_LENGTH;
    if (!InternetCrackUrlW(address.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS || !host[0])
        return false;
    target.server = host;
    target.object = path[0] ? ZvString(path) : ZvString(L"/");
    target.port = parts.nPort;
    target.secure = true;
    return true;
}

} // namespace

bool CUpdater::UploadCRMData(const ZvPath& path, bool deleteAfter)
{
    if (!m_configuration)
        return false;
    const CUpdatePolicy& policy = CUpdatePolicy::Of(m_policy);
    const bool httpsOnly = policy.Has(ZVAU_POLICY_REQUIRE_HTTPS);

    CHttpSession session;
    session.Open(AgentName().c_str(), policy.StallSeconds());

    const wchar_t* redirectUrl = m_configuration->GetCRMRedirectURL();
    if (httpsOnly && !CUpdatePolicy::IsHttps(redirectUrl)) {
        policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_HTTPS", L"the customer-data redirect address is not HTTPS");
        return false;
    }
    std::string bytes;
    if (!ReadFirstBytes(session, redirectUrl, kRedirectReadSize, bytes)) {
        m_configuration->Log(L"Unable to redirect path");
        return false;
    }
    // 8-bit text up to its first NUL byte, in the ANSI code page.
    const ZvString document(bytes.c_str(), ZvOSAL::ZvCodepageAnsi);
    UploadTarget target;
    if (ParseRedirect(document, httpsOnly, target)) {
        ZvString line;
        line.Format(L"Redirect found and parsed: server=%s, URL=%s", target.server.c_str(), target.object.c_str());
        m_configuration->Log(line);
    } else if (httpsOnly) {
        policy.Refuse(*m_configuration, L"ZVAU_POLICY_REQUIRE_HTTPS", L"the customer-data server is not an HTTPS address");
        return false;
    }

    const CMultipartPost post = {target.server.c_str(), target.port, target.secure, target.object.c_str(),
                                 L"---------------------------119281817426312", L"File", L"crm.zip"};
    const CPostResult result = PostMultipartFile(session, post, path);
    switch (result.step) {
    case EPostStep::Connect:
        m_configuration->Log(L"Unable to get Http Connection");
        return false;
    case EPostStep::OpenRequest:
        m_configuration->Log(L"Unable to get Http File (OpenRequest)");
        return false;
    case EPostStep::Start:
        m_configuration->Log(ZvString(L"CRM-Upload Error: ") + InternetErrorText(result.internetError));
        return false;
    case EPostStep::OpenFile:
    case EPostStep::ReadFile:
        return false; // not sent, so kept
    case EPostStep::Body:
        m_configuration->Log(ZvString(L"CRM-Upload Error: ") + InternetErrorText(result.internetError));
        break;
    case EPostStep::Sent:
        break;
    }
    // The server has seen the request: whatever happened on the wire, the
    // file has been handed over and goes.
    if (deleteAfter)
        DeleteFileW(path.ToString().c_str());
    return result.step == EPostStep::Sent;
}
