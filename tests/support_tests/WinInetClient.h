// Plain WinINet and socket clients for the tests of the test servers.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace zvtest {

struct FetchResult {
    bool sent = false;       // HttpSendRequest(Ex) succeeded
    DWORD error = 0;         // GetLastError() of the first failing call
    DWORD status = 0;
    bool hasContentLength = false;
    std::string contentLength;
    std::string transferEncoding;
    std::string body;        // what InternetReadFile delivered
    bool readComplete = false; // the last read returned 0 bytes without error
};

struct FetchOptions {
    std::wstring method = L"GET";
    std::string body;                 // sent with the request (POST)
    std::vector<std::string> pieces;  // if set: HttpSendRequestEx + one InternetWriteFile per piece
    std::wstring headers;             // extra request headers, "Name: value\r\n" each
    DWORD flags = 0;                  // added to INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD
    DWORD securityFlags = 0;          // INTERNET_OPTION_SECURITY_FLAGS before sending, when not 0
};

// One request with WinINet (direct, no proxy) to host:port, object = path and query.
FetchResult Fetch(const std::wstring& url, const FetchOptions& options = FetchOptions());

// Sends `request` on a new TCP connection to 127.0.0.1:port and returns every
// byte the server sends until it closes (or 10 s pass). halfClose: end the
// sending side after the request (the server then sees end of stream).
std::string RawExchange(unsigned short port, const std::string& request, bool halfClose = false);

// Whether a TCP connection to 127.0.0.1:port is accepted.
bool CanConnect(unsigned short port);

// True under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

} // namespace zvtest
