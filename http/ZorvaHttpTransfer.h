// CZorvaHttpTransfer: one HTTP(S) GET over WinINet whose answer body is
// streamed into a local file.
//
// Use one object per request, on the stack:
//
//   CZorvaHttpTransfer transfer;
//   transfer.SetObserver(configuration);   // optional
//   transfer.m_keepAnswer = FALSE;         // optional, default TRUE
//   if (transfer.RequestUrl(url, targetFile) == 1) ...
//
// Statuses 200, 201, 202, 203 and 206 are success; every other status
// (204 and 205 included) is failure. With a failed status the body is still
// written to the target file when the keep-answer flag is set, except for a
// 404, whose body is never written. The target file is created anew or
// replaced; a body cut short by an error or a cancel stays in it.
//
// The observer (a CUpdateConfiguration2, not owned) gets SetDownloadSize once
// after the request was sent (0 when the server announced no length), then
// OnDownloadProgress and IsCancelRequested after every block of at most
// 64 KiB. Progress and content length are 32-bit counts widened to 64 bits,
// so they are meaningful up to 2 GiB - 1.
//
// A body that ends before the announced Content-Length (the server closed
// the connection early) is a failure too; WinINet itself reports it as a
// normal end. A chunked body cut short cannot be told apart from a complete
// one at this level.
//
// URL components (host, path, query) are limited to 259 characters each;
// a longer one makes the split, and so the request, fail.
//
// The client does no retries, produces no log line and does not retrieve
// WinINet's error details: callers log and map the failure.
#pragma once

#include "UpdateConfiguration2.h"
#include "ZvOSAL/ZvString.h"

#include <windows.h>
#include <wininet.h>

class CZorvaHttpTransfer {
public:
    CZorvaHttpTransfer();
    // Not virtual: the object is always destroyed as this exact class.
    ~CZorvaHttpTransfer();

    CZorvaHttpTransfer(const CZorvaHttpTransfer&) = delete;
    CZorvaHttpTransfer& operator=(const CZorvaHttpTransfer&) = delete;

    // Performs the request for the URL components already split; 1 on
    // success, 0 on failure.
    virtual int Transfer();
    // Consumes one block of the body; false stops the transfer.
    virtual bool OnData(const BYTE* buffer, DWORD length);

    // Receives SetDownloadSize, OnDownloadProgress and IsCancelRequested.
    void SetObserver(ZvAutoUpdate::CUpdateConfiguration2* observer) { m_observer = observer; }

    // Splits url (percent escapes decoded) and fetches it into targetFile
    // (null keeps the current target file name). 1 on success, 0 on failure.
    int RequestUrl(const wchar_t* url, const wchar_t* targetFile);

    // Content-Length of the last answer; 0 when it had none.
    long long GetContentLength() const { return m_contentLength; }
    // True when the answer announced a length or is sent chunked.
    bool HasContentLength() const { return m_chunked != 0 || m_contentLength > 0; }

    // HTTP status of the last answer; -1 when it did not parse, 0 before one.
    int GetStatusCode() const { return m_statusCode; }
    // Body bytes written to the target file by the last transfer.
    int GetBytesWritten() const { return m_bytesWritten; }
    const ZvOSAL::ZvString& GetTargetFileName() const { return m_targetFileName; }

    // When the server answers an error status other than 404, write its body
    // to the target file all the same (the request still fails).
    BOOL m_keepAnswer;

protected:
    void ResetUrlComponents();
    bool OpenSession();
    bool Connect(const wchar_t* host, INTERNET_PORT port);
    bool OpenRequest(const wchar_t* object, DWORD flags);
    bool SendRequest();
    bool CheckStatus();
    bool ReceiveToFile();

    static const DWORD kComponentLength = 260;

    ZvOSAL::ZvString m_targetFileName;
    // The split writes the URL's user name into this string's storage.
    ZvOSAL::ZvString m_userName;
    wchar_t m_password[kComponentLength];
    int m_statusCode;
    int m_bytesWritten;
    DWORD m_blockSize;
    wchar_t m_scheme[kComponentLength];
    wchar_t m_hostName[kComponentLength];
    wchar_t m_urlPath[kComponentLength];
    wchar_t m_extraInfo[kComponentLength];
    HINTERNET m_internet;
    HINTERNET m_connection;
    HINTERNET m_request;
    DWORD_PTR m_context;
    HANDLE m_targetFile;
    URL_COMPONENTSW m_urlComponents;
    BYTE m_chunked;
    long long m_contentLength;
    ZvAutoUpdate::CUpdateConfiguration2* m_observer;
};
