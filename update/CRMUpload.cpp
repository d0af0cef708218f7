// The customer-data upload: a redirect document names the server and path,
// then the file goes out in one multipart POST to port 80 of that server.
#include "update/Updater.h"

#include "osal/LibraryModule.h"

#include <shlwapi.h>
#include <wininet.h>

#include <climits>
#include <string>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

// 27 hyphens in the header; the delimiter lines of the body carry two more.
const wchar_t kContentTypeHeader[] =
    L"Content-Type: multipart/form-data; boundary=---------------------------119281817426312";
const wchar_t kDelimiter[] = L"-----------------------------119281817426312";

const DWORD kRedirectReadSize = 4096;
const DWORD kFileBlockSize = 1000;
const DWORD_PTR kContext = 1;

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~InternetHandle() { Close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    void Close()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
        m_handle = nullptr;
    }
    HINTERNET Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    void Close()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

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

// 8-bit text in the system's ANSI code page.
std::string ToAnsi(const ZvString& text)
{
    if (text.IsEmpty())
        return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), text.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), text.GetLength(), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

ZvString FromAnsi(const char* bytes, int length)
{
    if (length <= 0)
        return ZvString();
    int size = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    if (size <= 0)
        return ZvString();
    ZvString text;
    wchar_t* buffer = text.GetBuffer(size);
    MultiByteToWideChar(CP_ACP, 0, bytes, length, buffer, size);
    text.ReleaseBuffer(size);
    return text;
}

// The system's text for a WinINet error, at most 255 characters, without the
// line break that message tables end with. The server's own words for an
// extended error.
ZvString InternetErrorMessage(DWORD error)
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

bool WriteAll(HINTERNET request, const void* bytes, DWORD size)
{
    DWORD written = 0;
    return size == 0 || InternetWriteFile(request, bytes, size, &written);
}

} // namespace

bool CUpdater::UploadCRMData(const ZvPath& path, bool deleteAfter)
{
    if (!m_configuration)
        return false;

    InternetHandle session(InternetOpenW(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));

    // The redirect document: one read of at most 4096 bytes holding one http
    // address, "http://server/path". The server starts at index 7; the path is
    // everything from the first "/" after it, line break included.
    ZvString server;
    ZvString object;
    {
        const wchar_t* redirectUrl = m_configuration->GetCRMRedirectURL();
        InternetHandle redirect(session && redirectUrl
                                    ? InternetOpenUrlW(session.Get(), redirectUrl, nullptr, 0,
                                                       INTERNET_FLAG_TRANSFER_ASCII, kContext)
                                    : nullptr);
        char buffer[kRedirectReadSize + 1] = {};
        DWORD read = 0;
        if (!redirect || !InternetReadFile(redirect.Get(), buffer, kRedirectReadSize, &read)) {
            m_configuration->Log(L"Unable to redirect path");
            return false;
        }
        buffer[read] = '\0';
        ZvString document = FromAnsi(buffer, lstrlenA(buffer));
        int slash = document.GetLength() > 8 ? document.Find(L'/', 8) : -1;
        if (slash >= 0) {
            server = document.Mid(7, slash - 7);
            object = document.Mid(slash);
            ZvString line;
            line.Format(L"Redirect found and parsed: server=%s, URL=%s", server.c_str(), object.c_str());
            m_configuration->Log(line);
        }
    }

    // Always port 80, plain HTTP, whatever scheme the document named.
    InternetHandle connection(InternetConnectW(session.Get(), server.c_str(), INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, kContext));
    if (!connection) {
        m_configuration->Log(L"Unable to get Http Connection");
        return false;
    }
    InternetHandle request(HttpOpenRequestW(connection.Get(), L"POST", object.c_str(), nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_EXISTING_CONNECT, kContext));
    if (!request) {
        m_configuration->Log(L"Unable to get Http File (OpenRequest)");
        return false;
    }

    FileHandle file(CreateFileW(path.ToString().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    LARGE_INTEGER fileSize = {};
    // The length fields are 32-bit decimal numbers: a file beyond that range
    // cannot be described, so it is not sent at all.
    if (!GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart > INT_MAX)
        return false;
    const int length = static_cast<int>(fileSize.QuadPart);

    ZvString prefixText;
    prefixText.Format(L"%s\nContent-Disposition: form-data; name=\"File\"; filename=\"crm.zip\"\n"
                      L"Content-Type: application/octet-stream\nContent-Length: %d\n\n\n",
                      kDelimiter, length);
    ZvString trailerText;
    trailerText.Format(L"\n\n%s--\n", kDelimiter);
    const std::string prefix = ToAnsi(prefixText);
    const std::string trailer = ToAnsi(trailerText);
    const long long total = static_cast<long long>(prefix.size()) + static_cast<long long>(trailer.size()) + length;
    if (total > INT_MAX)
        return false;

    HttpAddRequestHeadersW(request.Get(), kContentTypeHeader, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    ZvString lengthHeader;
    lengthHeader.Format(L"Content-Length: %d", static_cast<int>(total));
    HttpAddRequestHeadersW(request.Get(), lengthHeader.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD_IF_NEW);

    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.dwBufferTotal = static_cast<DWORD>(total);
    if (!HttpSendRequestExW(request.Get(), &buffers, nullptr, HSR_INITIATE, kContext)) {
        m_configuration->Log(ZvString(L"CRM-Upload Error: ") + InternetErrorMessage(GetLastError()));
        return false;
    }

    // From here on the server has seen the request: whatever happens on the
    // wire, the file has been handed over and goes (below).
    bool success = false;
    DWORD internetError = 0;
    if (!WriteAll(request.Get(), prefix.data(), static_cast<DWORD>(prefix.size())))
        internetError = GetLastError();
    char block[kFileBlockSize];
    while (internetError == 0) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), block, kFileBlockSize, &read, nullptr))
            return false; // the file could not be read: not sent, so kept
        if (read == 0)
            break;
        if (!WriteAll(request.Get(), block, read))
            internetError = GetLastError();
    }
    file.Close();
    if (internetError == 0 && !WriteAll(request.Get(), trailer.data(), static_cast<DWORD>(trailer.size())))
        internetError = GetLastError();
    if (internetError == 0 && !HttpEndRequestW(request.Get(), nullptr, 0, kContext))
        internetError = GetLastError();
    if (internetError == 0)
        success = true;
    else
        m_configuration->Log(ZvString(L"CRM-Upload Error: ") + InternetErrorMessage(internetError));

    if (deleteAfter)
        DeleteFileW(path.ToString().c_str());

    request.Close();
    connection.Close();
    session.Close();
    return success;
}
