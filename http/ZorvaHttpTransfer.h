// CZorvaHttpTransfer: one HTTP(S) GET over WinINet whose answer body is
// streamed into a local file.
//
//   CZorvaHttpTransfer transfer;
//   transfer.SetObserver(&observer);       // optional
//   transfer.SetKeepAnswer(false);         // optional, default true
//   transfer.SetLimits(limits);            // optional
//   if (transfer.RequestUrl(url, targetFile) == 1) ...
//
// Statuses 200, 201, 202, 203 and 206 are success; every other status
// (204 and 205 included) is failure. With a failed status the body is still
// written to the target file when the keep-answer flag is set, except for a
// 404, whose body is never written. The target file is created anew or
// replaced; a body cut short by an error, a limit or a cancel stays in it.
//
// The observer gets OnDownloadSize once after the request was sent (0 when
// the server announced no length), then OnDownloadProgress and
// IsCancelRequested after every block of at most 64 KiB, all on the thread
// that called RequestUrl. While no block arrives, IsCancelRequested is also
// asked about four times a second, so a cancel is honoured at once even
// when the server sends nothing. Progress and content length are 32-bit
// counts widened to 64 bits, so they are meaningful up to 2 GiB - 1.
//
// The blocking network calls run on a small worker thread of the transfer;
// the calling thread waits for each block. On a cancel, a stall or a limit
// RequestUrl returns at once, without reading the rest of the answer: the
// worker closes the connection on its own and keeps the library loaded until
// then. (Wine's WinINet, closing, still reads off whatever is waiting on the
// socket: behind a local server that never stops sending, that lasts as long
// as the server sends.) The worker never touches the target file or the
// observer.
//
// A body that ends before the announced Content-Length (the server closed
// the connection early) is a failure too; WinINet itself reports it as a
// normal end. A chunked body cut short cannot be told apart from a complete
// one at this level.
//
// URL components (host, path, query) are limited to 259 characters each;
// a longer one makes the split, and so the request, fail.
//
// The client does no retries and produces no log line; GetFailure tells the
// caller why a request failed, and callers log and map it.
#pragma once

#include "http/HttpSession.h"
#include "http/Sha256.h"

#include "ZvOSAL/ZvString.h"

#include <windows.h>
#include <wininet.h>

// Receives the reports of a transfer.
class CTransferObserver {
public:
    // The announced length (0: none, or the request could not be sent).
    virtual void OnDownloadSize(long long bytes) = 0;
    // Bytes written so far, after each block.
    virtual void OnDownloadProgress(long long bytes) = 0;
    // True stops the transfer.
    virtual bool IsCancelRequested() = 0;

protected:
    ~CTransferObserver() = default;
};

// Rules a request must keep; the defaults are those of every request.
struct CTransferLimits {
    // Nothing received for this long (0: 60) fails the request.
    unsigned stallSeconds = 60;
    // A body longer than this fails as soon as it would exceed it (-1: none).
    long long maxBytes = -1;
    // The body must be exactly this long (-1: any length).
    long long exactBytes = -1;
    // The URL and every redirect must be HTTPS.
    bool httpsOnly = false;
    // The body's SHA-256 must be this digest.
    bool checkSha256 = false;
    CSha256Digest sha256 = {};
};

class CZorvaHttpTransfer {
public:
    // Why the last request failed.
    enum class EFailure {
        None,
        Request,   // bad URL, connection, sending, or an unaccepted status
        File,      // the target file could not be created or written
        Read,      // the connection broke while the body arrived
        Cancelled, // the observer asked to stop
        Stalled,   // nothing arrived for the stall time
        TooLarge,  // more than the limit (maxBytes or exactBytes)
        WrongSize, // fewer bytes than exactBytes, or another announced length
        NotHttps,  // the URL or a redirect was not HTTPS
        Checksum,  // the body did not match the expected SHA-256
    };

    CZorvaHttpTransfer();
    ~CZorvaHttpTransfer();
    CZorvaHttpTransfer(const CZorvaHttpTransfer&) = delete;
    CZorvaHttpTransfer& operator=(const CZorvaHttpTransfer&) = delete;

    void SetObserver(CTransferObserver* observer) { m_observer = observer; }
    // When the server answers an error status other than 404, write its body
    // to the target file all the same (the request still fails).
    void SetKeepAnswer(bool keep) { m_keepAnswer = keep; }
    void SetLimits(const CTransferLimits& limits) { m_limits = limits; }

    // Splits url (percent escapes decoded) and fetches it into targetFile
    // (null keeps the current target file name). 1 on success, 0 on failure.
    // Each call starts afresh: nothing of an earlier request is reused.
    int RequestUrl(const wchar_t* url, const wchar_t* targetFile);

    // Content-Length of the last answer; 0 when it had none.
    long long GetContentLength() const { return m_contentLength; }
    // True when the answer announced a length or is sent chunked.
    bool HasContentLength() const { return m_chunked != 0 || m_contentLength > 0; }
    // HTTP status of the last answer; -1 when it did not parse, 0 before one.
    int GetStatusCode() const { return m_statusCode; }
    EFailure GetFailure() const { return m_failure; }

private:
    class CWorker;

    void ResetUrlComponents();
    // Splits url and sends the request (following redirects by hand for
    // HTTPS-only requests); starts the worker on the way.
    bool SendRequest(CWorker*& worker, const wchar_t* url);
    bool CheckStatus(HINTERNET request);
    bool ReceiveToFile(CWorker& worker);
    bool WriteBlock(const BYTE* buffer, DWORD length);
    // Called while the worker's call has not ended since `since`: asks the
    // observer about a cancel now and then and watches the stall bound.
    // False when the request is to be dropped (m_failure says why).
    bool KeepWaiting(DWORD since);
    bool Fail(EFailure failure);
    unsigned StallSeconds() const { return m_limits.stallSeconds ? m_limits.stallSeconds : 60; }

    static const DWORD kComponentLength = 260;

    bool m_keepAnswer;
    ZvOSAL::ZvString m_targetFileName;
    // The split writes the URL's user name into this string's storage.
    ZvOSAL::ZvString m_userName;
    wchar_t m_password[kComponentLength];
    int m_statusCode;
    int m_bytesWritten;
    wchar_t m_scheme[kComponentLength];
    wchar_t m_hostName[kComponentLength];
    wchar_t m_urlPath[kComponentLength];
    wchar_t m_extraInfo[kComponentLength];
    ZvOSAL::KernelHandle m_targetFile;
    URL_COMPONENTSW m_urlComponents;
    BYTE m_chunked;
    long long m_contentLength;
    CTransferObserver* m_observer;
    CTransferLimits m_limits;
    EFailure m_failure;
    DWORD m_lastCancelPoll;
};
