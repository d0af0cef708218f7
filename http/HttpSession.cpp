#include "http/HttpSession.h"

using ZvOSAL::ZvString;

namespace {

void SetWaitOptions(HINTERNET handle, DWORD waitMs)
{
    if (!handle || waitMs == 0)
        return;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD value = waitMs;
        InternetSetOptionW(handle, option, &value, sizeof value);
    }
}

} // namespace

bool CHttpSession::Open(const wchar_t* agent, unsigned waitSeconds)
{
    m_internet.Reset(InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    // Whole seconds up to a day: a bound, never a wrap into a short wait.
    m_waitMs = waitSeconds > 86400u ? 86400000u : waitSeconds * 1000u;
    SetWaitOptions(m_internet.Get(), m_waitMs);
    return static_cast<bool>(m_internet);
}

CInternetHandle CHttpSession::Connect(const wchar_t* host, INTERNET_PORT port, const wchar_t* user) const
{
    CInternetHandle connection(
        InternetConnectW(m_internet.Get(), host, port, user, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    SetWaitOptions(connection.Get(), m_waitMs);
    return connection;
}

void CHttpSession::BoundWaits(HINTERNET request) const
{
    SetWaitOptions(request, m_waitMs);
}

ZvString InternetErrorText(DWORD error)
{
    wchar_t text[256] = {};
    DWORD length = 0;
    if (error == ERROR_INTERNET_EXTENDED_ERROR) {
        DWORD code = 0;
        length = 256;
        if (!InternetGetLastResponseInfoW(&code, text, &length))
            length = 0;
    } else {
        length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                GetModuleHandleW(L"wininet.dll"), error, 0, text, 256, nullptr);
    }
    if (length > 255)
        length = 255;
    text[length] = L'\0';
    ZvString message(text);
    message.TrimRight(L"\r\n ");
    if (message.IsEmpty())
        message.Format(L"error %lu", error);
    return message;
}
