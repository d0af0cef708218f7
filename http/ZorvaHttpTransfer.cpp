#include "http/ZorvaHttpTransfer.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <new>

using ZvOSAL::ZvString;

namespace {

const wchar_t kAgentName[] = L"ZorvaHttpClient";
const wchar_t kDefaultTargetFile[] = L"ZorvaHttpTransferFile.dat";
const wchar_t kDefaultUserName[] = L"ZorvaHttpUser";

bool IsAcceptedStatus(int status)
{
    return status == 200 || status == 201 || status == 202 || status == 203 || status == 206;
}

// Reads one header of the answer as text. The buffer holds 128 wide
// characters; the announced length is in bytes.
bool QueryHeader(HINTERNET request, DWORD info, wchar_t (&buffer)[128], DWORD announcedBytes)
{
    ZeroMemory(buffer, sizeof buffer);
    DWORD length = announcedBytes;
    DWORD index = 0;
    return HttpQueryInfoW(request, info, buffer, &length, &index) != FALSE;
}

// "%i" with exactly one number converted.
bool ParseStatus(const wchar_t* text, int& status)
{
    int value = 0;
    if (swscanf(text, L"%i", &value) != 1)
        return false;
    status = value;
    return true;
}

} // namespace

CZorvaHttpTransfer::CZorvaHttpTransfer()
    : m_keepAnswer(TRUE)
    , m_targetFileName(kDefaultTargetFile)
    , m_userName(kDefaultUserName)
    , m_password()
    , m_statusCode(0)
    , m_bytesWritten(0)
    , m_blockSize(65536)
    , m_scheme()
    , m_hostName()
    , m_urlPath()
    , m_extraInfo()
    , m_internet(nullptr)
    , m_connection(nullptr)
    , m_request(nullptr)
    , m_context(0)
    , m_targetFile(nullptr)
    , m_urlComponents()
    , m_chunked(0)
    , m_contentLength(0)
    , m_observer(nullptr)
{
    ResetUrlComponents();
}

CZorvaHttpTransfer::~CZorvaHttpTransfer()
{
    if (m_request)
        InternetCloseHandle(m_request);
    if (m_connection)
        InternetCloseHandle(m_connection);
    if (m_internet)
        InternetCloseHandle(m_internet);
    if (m_targetFile)
        CloseHandle(m_targetFile);
}

void CZorvaHttpTransfer::ResetUrlComponents()
{
    ZeroMemory(&m_urlComponents, sizeof m_urlComponents);
    m_urlComponents.dwStructSize = sizeof m_urlComponents;
    m_urlComponents.lpszScheme = m_scheme;
    m_urlComponents.dwSchemeLength = kComponentLength;
    m_urlComponents.lpszHostName = m_hostName;
    m_urlComponents.dwHostNameLength = kComponentLength;
    m_urlComponents.lpszUrlPath = m_urlPath;
    m_urlComponents.dwUrlPathLength = kComponentLength;
    m_urlComponents.lpszExtraInfo = m_extraInfo;
    m_urlComponents.dwExtraInfoLength = kComponentLength;
    // The user name's own storage receives the URL's user name.
    m_urlComponents.lpszUserName = m_userName.GetBuffer(kComponentLength);
    m_urlComponents.dwUserNameLength = kComponentLength;
    m_urlComponents.lpszPassword = m_password;
    m_urlComponents.dwPasswordLength = kComponentLength;
    m_urlComponents.nScheme = INTERNET_SCHEME_UNKNOWN;
    m_urlComponents.nPort = 0;
}

int CZorvaHttpTransfer::RequestUrl(const wchar_t* url, const wchar_t* targetFile)
{
    if (targetFile)
        m_targetFileName = targetFile;
    ResetUrlComponents();
    BOOL split = url ? InternetCrackUrlW(url, 0, ICU_DECODE, &m_urlComponents) : FALSE;
    m_userName.ReleaseBuffer(-1);
    if (!split)
        return 0;
    return Transfer();
}

int CZorvaHttpTransfer::Transfer()
{
    if (!OpenSession())
        return 0;
    INTERNET_PORT port = m_urlComponents.nPort ? m_urlComponents.nPort : INTERNET_PORT(80);
    if (!Connect(m_hostName, port))
        return 0;

    ZvString object(m_urlPath);
    object += m_extraInfo;
    DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE;
    if (!OpenRequest(object, flags))
        return 0;
    if (!SendRequest())
        return 0;

    if (CheckStatus())
        return ReceiveToFile() ? 1 : 0;

    // The body of an error answer (a server's explanation) is kept for the
    // caller, except for "not found", which has nothing worth keeping.
    if (m_statusCode == 404 || !m_keepAnswer)
        return 0;
    ReceiveToFile();
    return 0;
}

bool CZorvaHttpTransfer::OpenSession()
{
    if (m_internet) {
        InternetCloseHandle(m_internet);
        m_internet = nullptr;
    }
    m_internet = InternetOpenW(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    return m_internet != nullptr;
}

bool CZorvaHttpTransfer::Connect(const wchar_t* host, INTERNET_PORT port)
{
    m_connection = InternetConnectW(m_internet, host, port, m_userName.c_str(), nullptr,
                                    INTERNET_SERVICE_HTTP, 0, m_context);
    return m_connection != nullptr;
}

bool CZorvaHttpTransfer::OpenRequest(const wchar_t* object, DWORD flags)
{
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    if (m_urlComponents.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    m_request = HttpOpenRequestW(m_connection, nullptr, object, nullptr, nullptr, acceptTypes, flags, m_context);
    return m_request != nullptr;
}

bool CZorvaHttpTransfer::SendRequest()
{
    m_contentLength = 0;
    BOOL sent = HttpSendRequestW(m_request, nullptr, 0, nullptr, 0);
    if (sent == TRUE) {
        wchar_t buffer[128];
        int status = 0;
        if (QueryHeader(m_request, HTTP_QUERY_STATUS_CODE, buffer, 128) && ParseStatus(buffer, status)
            && IsAcceptedStatus(status)) {
            if (QueryHeader(m_request, HTTP_QUERY_CONTENT_LENGTH, buffer, 128)) {
                m_contentLength = static_cast<long long>(_wtoi(buffer));
            } else if (QueryHeader(m_request, HTTP_QUERY_TRANSFER_ENCODING, buffer, 128)
                       && wcscmp(buffer, L"chunked") == 0) {
                m_chunked = 1;
            }
        }
    }
    if (m_observer)
        m_observer->SetDownloadSize(m_contentLength);
    return sent == TRUE;
}

bool CZorvaHttpTransfer::CheckStatus()
{
    if (!m_request)
        return false;
    wchar_t buffer[128];
    if (!QueryHeader(m_request, HTTP_QUERY_STATUS_CODE, buffer, sizeof buffer))
        return false;
    int status = 0;
    if (!ParseStatus(buffer, status)) {
        m_statusCode = -1;
        return false;
    }
    m_statusCode = status;
    return IsAcceptedStatus(status);
}

bool CZorvaHttpTransfer::ReceiveToFile()
{
    if (!m_request)
        return false;
    if (m_targetFile) {
        CloseHandle(m_targetFile);
        m_targetFile = nullptr;
    }
    HANDLE file = CreateFileW(m_targetFileName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
        file = CreateFileW(m_targetFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    m_bytesWritten = 0;
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_targetFile = file;

    BYTE* buffer = new (std::nothrow) BYTE[m_blockSize];
    bool complete = false;
    long long received = 0;
    if (buffer) {
        for (;;) {
            DWORD read = 0;
            if (!InternetReadFile(m_request, buffer, m_blockSize, &read))
                break;
            if (read == 0) {
                // WinINet reports a connection closed before the announced
                // length as a normal end: such a body is cut short, not
                // complete (an installer missing its tail must not count as
                // downloaded).
                complete = m_contentLength <= 0 || received >= m_contentLength;
                break;
            }
            received += read;
            bool goOn = OnData(buffer, read);
            if (m_observer && m_observer->IsCancelRequested())
                break;
            if (!goOn)
                break;
        }
        delete[] buffer;
    }

    CloseHandle(m_targetFile);
    m_targetFile = nullptr;
    return complete;
}

bool CZorvaHttpTransfer::OnData(const BYTE* buffer, DWORD length)
{
    if (!m_targetFile)
        return false;
    DWORD written = 0;
    if (!WriteFile(m_targetFile, buffer, length, &written, nullptr) || written < length)
        return false;
    // A 32-bit count, as the observer interface reports it; wraps past 2 GiB.
    m_bytesWritten = static_cast<int>(static_cast<unsigned>(m_bytesWritten) + length);
    if (m_observer)
        m_observer->OnDownloadProgress(static_cast<long long>(m_bytesWritten));
    return true;
}
