#include "http/ZorvaHttpTransfer.h"
#include "http/TransferWorker.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <new>

using ZvOSAL::ZvString;

namespace {

const wchar_t kDefaultTargetFile[] = L"ZorvaHttpTransferFile.dat";
const wchar_t kDefaultUserName[] = L"ZorvaHttpUser";
// The calling thread looks up this often while it waits for a block, and asks
// the observer about a cancel at most this often while nothing arrives.
const DWORD kWaitSliceMs = 50;
const DWORD kCancelPollMs = 250;
// Redirects followed by hand (HTTPS-only requests) before giving up.
const int kMaxRedirects = 10;

bool IsAcceptedStatus(int status)
{
    return status == 200 || status == 201 || status == 202 || status == 203 || status == 206;
}

bool IsRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
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

DWORD Elapsed(DWORD since)
{
    return GetTickCount() - since;
}

// A call that failed for want of bytes: the stack says so, or (Wine reports
// a connection it gave up on as aborted) it failed after the stall time.
bool IsStall(DWORD error, DWORD since, unsigned stallSeconds)
{
    return error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT || Elapsed(since) + 500 >= stallSeconds * 1000;
}

} // namespace


CZorvaHttpTransfer::CZorvaHttpTransfer()
    : m_keepAnswer(true)
    , m_targetFileName(kDefaultTargetFile)
    , m_userName(kDefaultUserName)
    , m_password()
    , m_statusCode(0)
    , m_bytesWritten(0)
    , m_scheme()
    , m_hostName()
    , m_urlPath()
    , m_extraInfo()
    , m_urlComponents()
    , m_chunked(0)
    , m_contentLength(0)
    , m_observer(nullptr)
    , m_failure(EFailure::None)
    , m_lastCancelPoll(0)
{
    ResetUrlComponents();
}

CZorvaHttpTransfer::~CZorvaHttpTransfer() = default;

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

bool CZorvaHttpTransfer::Fail(EFailure failure)
{
    if (m_failure == EFailure::None)
        m_failure = failure;
    return false;
}

int CZorvaHttpTransfer::RequestUrl(const wchar_t* url, const wchar_t* targetFile)
{
    // Nothing of an earlier request survives into this one.
    m_failure = EFailure::None;
    m_statusCode = 0;
    m_chunked = 0;
    m_contentLength = 0;
    m_targetFile.Reset();
    if (targetFile)
        m_targetFileName = targetFile;

    CWorker* worker = nullptr;
    bool ok = SendRequest(worker, url);
    if (ok) {
        HINTERNET request = worker->Request();
        if (CheckStatus(request)) {
            ok = ReceiveToFile(*worker);
        } else {
            Fail(EFailure::Request);
            // The body of an error answer (a server's explanation) is kept
            // for the caller, except for "not found", which has nothing
            // worth keeping.
            if (m_statusCode != 404 && m_keepAnswer)
                ReceiveToFile(*worker);
            ok = false;
        }
    }
    m_targetFile.Reset();
    if (worker) {
        if (m_failure == EFailure::None || m_failure == EFailure::Request)
            worker->Finish();
        else
            worker->Abandon();
    }
    return ok ? 1 : 0;
}

bool CZorvaHttpTransfer::SendRequest(CWorker*& worker, const wchar_t* url)
{
    ResetUrlComponents();
    BOOL split = url ? InternetCrackUrlW(url, 0, ICU_DECODE, &m_urlComponents) : FALSE;
    m_userName.ReleaseBuffer(-1);
    if (!split)
        return Fail(EFailure::Request);

    ZvString current(url);
    m_lastCancelPoll = GetTickCount();
    for (int redirects = 0;; ++redirects) {
        const bool https = m_urlComponents.nScheme == INTERNET_SCHEME_HTTPS;
        if (m_limits.httpsOnly && !https) {
            if (redirects > 0 && m_observer)
                m_observer->OnDownloadSize(0);
            return Fail(EFailure::NotHttps);
        }
        if (!worker) {
            worker = CWorker::Start(StallSeconds());
            if (!worker)
                return Fail(EFailure::Request);
        }

        CWorker::Target target = {};
        wcsncpy(target.host, m_hostName, kComponentLength - 1);
        wcsncpy(target.user, m_userName.c_str(), kComponentLength - 1);
        // The request object: path and query string, as they are.
        wcsncpy(target.object, m_urlPath, kComponentLength - 1);
        wcsncat(target.object, m_extraInfo, kComponentLength - 1);
        target.port = m_urlComponents.nPort ? m_urlComponents.nPort : INTERNET_PORT(80);
        target.flags = INTERNET_FLAG_NO_CACHE_WRITE;
        if (https)
            target.flags |= INTERNET_FLAG_SECURE;
        // HTTPS-only requests see each redirect before it is followed.
        if (m_limits.httpsOnly)
            target.flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
        worker->Send(target);
        const DWORD since = GetTickCount();
        while (!worker->WaitSent(kWaitSliceMs)) {
            if (!KeepWaiting(since)) {
                if (m_observer)
                    m_observer->OnDownloadSize(0);
                return false;
            }
        }
        if (!worker->Succeeded()) {
            if (m_observer)
                m_observer->OnDownloadSize(0);
            return Fail(IsStall(worker->Error(), since, StallSeconds()) ? EFailure::Stalled : EFailure::Request);
        }

        wchar_t buffer[128];
        int status = 0;
        HINTERNET request = worker->Request();
        if (!m_limits.httpsOnly || !QueryHeader(request, HTTP_QUERY_STATUS_CODE, buffer, 128)
            || !ParseStatus(buffer, status) || !IsRedirectStatus(status)) {
            break;
        }
        wchar_t location[2048] = {};
        DWORD length = sizeof location - sizeof(wchar_t);
        DWORD index = 0;
        wchar_t next[2048] = {};
        DWORD nextLength = 2047;
        if (redirects == kMaxRedirects || !HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location, &length, &index)
            || !InternetCombineUrlW(current.c_str(), location, next, &nextLength, ICU_NO_ENCODE)) {
            if (m_observer)
                m_observer->OnDownloadSize(0);
            return Fail(EFailure::Request);
        }
        current = next;
        ResetUrlComponents();
        split = InternetCrackUrlW(next, 0, ICU_DECODE, &m_urlComponents);
        m_userName.ReleaseBuffer(-1);
        if (!split) {
            if (m_observer)
                m_observer->OnDownloadSize(0);
            return Fail(EFailure::Request);
        }
    }

    HINTERNET request = worker->Request();
    wchar_t buffer[128];
    int status = 0;
    long long announced = -1;
    if (QueryHeader(request, HTTP_QUERY_STATUS_CODE, buffer, 128) && ParseStatus(buffer, status)
        && IsAcceptedStatus(status)) {
        if (QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH, buffer, 128)) {
            m_contentLength = static_cast<long long>(_wtoi(buffer));
            announced = _wtoi64(buffer);
        } else if (QueryHeader(request, HTTP_QUERY_TRANSFER_ENCODING, buffer, 128)
                   && wcscmp(buffer, L"chunked") == 0) {
            m_chunked = 1;
        }
    }
    if (m_observer)
        m_observer->OnDownloadSize(m_contentLength);
    // A length that breaks a limit fails before a byte of the body is read.
    if (announced >= 0 && m_limits.maxBytes >= 0 && announced > m_limits.maxBytes)
        return Fail(EFailure::TooLarge);
    if (announced >= 0 && m_limits.exactBytes >= 0 && announced != m_limits.exactBytes)
        return Fail(EFailure::WrongSize);
    return true;
}

bool CZorvaHttpTransfer::CheckStatus(HINTERNET request)
{
    if (!request)
        return false;
    wchar_t buffer[128];
    if (!QueryHeader(request, HTTP_QUERY_STATUS_CODE, buffer, sizeof buffer))
        return false;
    int status = 0;
    if (!ParseStatus(buffer, status)) {
        m_statusCode = -1;
        return false;
    }
    m_statusCode = status;
    return IsAcceptedStatus(status);
}

bool CZorvaHttpTransfer::KeepWaiting(DWORD since)
{
    if (m_observer && Elapsed(m_lastCancelPoll) >= kCancelPollMs) {
        m_lastCancelPoll = GetTickCount();
        if (m_observer->IsCancelRequested())
            return Fail(EFailure::Cancelled);
    }
    // The network stack gives up after the stall time itself; this bound
    // only catches a stack that does not.
    if (Elapsed(since) >= StallSeconds() * 1000 + 2000)
        return Fail(EFailure::Stalled);
    return true;
}

bool CZorvaHttpTransfer::ReceiveToFile(CWorker& worker)
{
    m_targetFile.Reset(CreateFileW(m_targetFileName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (!m_targetFile && GetLastError() == ERROR_FILE_EXISTS)
        m_targetFile.Reset(CreateFileW(m_targetFileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    m_bytesWritten = 0;
    if (!m_targetFile)
        return Fail(EFailure::File);

    CSha256 digest;
    long long received = 0;
    worker.Stream();
    DWORD since = GetTickCount();
    for (;;) {
        const BYTE* block = nullptr;
        DWORD length = 0;
        switch (worker.Next(kWaitSliceMs, block, length)) {
        case CWorker::ENext::Waiting:
            if (!KeepWaiting(since))
                return false;
            continue;
        case CWorker::ENext::Error:
            return Fail(IsStall(worker.Error(), since, StallSeconds()) ? EFailure::Stalled : EFailure::Read);
        case CWorker::ENext::End: {
            // WinINet reports a connection closed before the announced length
            // as a normal end: such a body is cut short, not complete (an
            // installer missing its tail must not count as downloaded).
            if (m_contentLength > 0 && received < m_contentLength)
                return Fail(EFailure::Read);
            if (m_limits.exactBytes >= 0 && received != m_limits.exactBytes)
                return Fail(EFailure::WrongSize);
            CSha256Digest actual;
            if (m_limits.checkSha256 && (!digest.Finish(actual) || actual != m_limits.sha256))
                return Fail(EFailure::Checksum);
            return true;
        }
        case CWorker::ENext::Block:
            break;
        }
        since = GetTickCount();
        if ((m_limits.maxBytes >= 0 && received + length > m_limits.maxBytes)
            || (m_limits.exactBytes >= 0 && received + length > m_limits.exactBytes)) {
            return Fail(EFailure::TooLarge);
        }
        received += length;
        if (m_limits.checkSha256)
            digest.Add(block, length);
        const bool written = WriteBlock(block, length);
        worker.Consumed();
        if (m_observer) {
            m_lastCancelPoll = since;
            if (m_observer->IsCancelRequested())
                return Fail(EFailure::Cancelled);
        }
        if (!written)
            return Fail(EFailure::File);
    }
}

bool CZorvaHttpTransfer::WriteBlock(const BYTE* buffer, DWORD length)
{
    DWORD written = 0;
    if (!WriteFile(m_targetFile.Get(), buffer, length, &written, nullptr) || written < length)
        return false;
    // A 32-bit count, as the observer interface reports it; wraps past 2 GiB.
    m_bytesWritten = static_cast<int>(static_cast<unsigned>(m_bytesWritten) + length);
    if (m_observer)
        m_observer->OnDownloadProgress(static_cast<long long>(m_bytesWritten));
    return true;
}
