#include "WinInetClient.h"

#include <wininet.h>

namespace zvtest {

namespace {

std::string QueryHeader(HINTERNET request, DWORD info, bool& found)
{
    char buffer[1024] = {};
    DWORD length = sizeof buffer - 1;
    found = HttpQueryInfoA(request, info, buffer, &length, nullptr) != FALSE;
    return found ? std::string(buffer, length) : std::string();
}

} // namespace

FetchResult Fetch(const std::wstring& url, const FetchOptions& options)
{
    FetchResult result;
    wchar_t host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 2048;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = 2048;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) {
        result.error = GetLastError();
        return result;
    }
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | options.flags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;

    HINTERNET internet = InternetOpenW(L"zvtest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = internet ? InternetConnectW(internet, host, parts.nPort, nullptr, nullptr,
                                                       INTERNET_SERVICE_HTTP, 0, 0)
                                    : nullptr;
    std::wstring object = std::wstring(path) + extra;
    HINTERNET request = connection ? HttpOpenRequestW(connection, options.method.c_str(), object.c_str(), nullptr,
                                                      nullptr, nullptr, flags, 0)
                                   : nullptr;
    if (!request) {
        result.error = GetLastError();
    } else {
        if (options.securityFlags) {
            DWORD current = 0, size = sizeof current;
            InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &current, &size);
            current |= options.securityFlags;
            InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &current, sizeof current);
        }
        if (!options.headers.empty())
            HttpAddRequestHeadersW(request, options.headers.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD);
        if (!options.pieces.empty()) {
            result.sent = HttpSendRequestExW(request, nullptr, nullptr, HSR_INITIATE, 0) != FALSE;
            for (const std::string& piece : options.pieces) {
                DWORD written = 0;
                if (result.sent && !InternetWriteFile(request, piece.data(), static_cast<DWORD>(piece.size()), &written))
                    result.sent = false;
            }
            if (result.sent && !HttpEndRequestW(request, nullptr, 0, 0))
                result.sent = false;
        } else {
            result.sent = HttpSendRequestW(request, nullptr, 0, const_cast<char*>(options.body.data()),
                                           static_cast<DWORD>(options.body.size())) != FALSE;
        }
        if (!result.sent)
            result.error = GetLastError();
    }
    if (result.sent) {
        DWORD status = 0, size = sizeof status;
        HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        result.status = status;
        result.contentLength = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH, result.hasContentLength);
        bool found = false;
        result.transferEncoding = QueryHeader(request, HTTP_QUERY_TRANSFER_ENCODING, found);
        std::vector<char> buffer(65536);
        for (;;) {
            DWORD read = 0;
            if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
                result.error = GetLastError();
                break;
            }
            if (read == 0) {
                result.readComplete = true;
                break;
            }
            result.body.append(buffer.data(), read);
        }
    }
    if (request)
        InternetCloseHandle(request);
    if (connection)
        InternetCloseHandle(connection);
    if (internet)
        InternetCloseHandle(internet);
    return result;
}

std::string RawExchange(unsigned short port, const std::string& request, bool halfClose)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    std::string answer;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeout = 10000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size())) {
        if (halfClose)
            shutdown(s, SD_SEND);
        char buffer[16384];
        int n;
        while ((n = recv(s, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, n);
    }
    closesocket(s);
    WSACleanup();
    return answer;
}

bool CanConnect(unsigned short port)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(s);
    WSACleanup();
    return connected;
}

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace zvtest
