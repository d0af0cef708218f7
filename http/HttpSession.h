// The WinINet root object shared by the library's requests: the transfer
// client's GET requests and the customer-data upload. It names the agent
// (the User-Agent of every request), uses the system's proxy settings and
// bounds every wait of its requests.
#pragma once

#include "http/Handles.h"

#include "ZvOSAL/ZvString.h"

#include <windows.h>
#include <wininet.h>

class CHttpSession {
public:
    CHttpSession() = default;
    CHttpSession(CHttpSession&&) = default;
    CHttpSession& operator=(CHttpSession&&) = default;

    // Opens the root handle (closing an earlier one). waitSeconds, when not
    // 0, bounds connecting, sending and every wait for received bytes;
    // 0 keeps the stack's own time-outs.
    bool Open(const wchar_t* agent, unsigned waitSeconds = 0);
    HINTERNET Get() const { return m_internet.Get(); }
    explicit operator bool() const { return static_cast<bool>(m_internet); }
    void Close() { m_internet.Close(); }

    // A connection to host:port for HTTP requests (nothing is sent yet).
    CInternetHandle Connect(const wchar_t* host, INTERNET_PORT port, const wchar_t* user = nullptr) const;

    // Applies the session's wait bound to one request (WinINet copies the
    // session's time-outs only into some of its objects).
    void BoundWaits(HINTERNET request) const;

private:
    CInternetHandle m_internet;
    DWORD m_waitMs = 0;
};

// The system's text for a WinINet error, at most 255 characters, without the
// line break that message tables end with; the server's own words for an
// extended error; "error N" when the system has no text.
ZvOSAL::ZvString InternetErrorText(DWORD error);
