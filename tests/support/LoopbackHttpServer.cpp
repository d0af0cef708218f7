#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/LoopbackHttpServer.h"

#include "ZvTestPaths.h"
#include "support/Fixtures.h"
#include "support/Threads.h"

#include <algorithm>
#include <cctype>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace zvtest {

namespace {

// Every wait is sliced so that a stop is noticed within this time.
const DWORD kSliceMs = 50;
// A peer that neither sends nor takes bytes for this long is given up.
const DWORD kIdleMs = 30000;
// A stalled response waits at most this long for ReleaseStalls().
const DWORD kMaxStallMs = 120000;
const size_t kMaxHead = 64 * 1024;
const std::uint64_t kMaxRequestBody = 64ull * 1024 * 1024;
const size_t kMaxConnections = 64;
const size_t kBlock = 64 * 1024;

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

bool HasHeaderIn(const std::vector<HttpHeader>& headers, const std::string& name)
{
    for (const HttpHeader& h : headers) {
        if (EqualsNoCase(h.name, name))
            return true;
    }
    return false;
}

void FillBody(const HttpResponse& response, std::uint64_t offset, size_t count, std::string& out)
{
    if (response.isPattern)
        out = PatternBytes(offset, count);
    else
        out.assign(response.body, static_cast<size_t>(offset), count);
}

} // namespace

std::uint8_t PatternByte(std::uint64_t index)
{
    // Period 251 (a prime) within a 64 KiB block, shifted per block, so a
    // lost, repeated or reordered block shows.
    return static_cast<std::uint8_t>(index % 251 + (index >> 16) * 17);
}

std::string PatternBytes(std::uint64_t offset, std::size_t count)
{
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(PatternByte(offset + i));
    return bytes;
}

std::string CheckPatternFile(const std::wstring& path, std::uint64_t size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot open the file (error " + std::to_string(GetLastError()) + ")";
    std::string problem;
    std::vector<char> buffer(kBlock);
    std::uint64_t offset = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            problem = "read error " + std::to_string(GetLastError());
            break;
        }
        if (read == 0)
            break;
        std::string expected = PatternBytes(offset, read);
        for (DWORD i = 0; i < read; ++i) {
            if (offset + i >= size) {
                problem = "file is longer than " + std::to_string(size) + " bytes";
                break;
            }
            if (buffer[i] != expected[i]) {
                problem = "byte " + std::to_string(offset + i) + " differs";
                break;
            }
        }
        if (!problem.empty())
            break;
        offset += read;
    }
    CloseHandle(file);
    if (problem.empty() && offset != size)
        problem = "file has " + std::to_string(offset) + " bytes, expected " + std::to_string(size);
    return problem;
}

std::string HttpRequest::Header(const std::string& name) const
{
    for (const HttpHeader& h : headers) {
        if (EqualsNoCase(h.name, name))
            return h.value;
    }
    return std::string();
}

bool HttpRequest::HasHeader(const std::string& name) const
{
    return HasHeaderIn(headers, name);
}

// ---- HttpResponse --------------------------------------------------------

HttpResponse HttpResponse::Ok(std::string body)
{
    return WithStatus(200, "OK", std::move(body));
}

HttpResponse HttpResponse::WithStatus(int status, std::string reason, std::string body)
{
    HttpResponse response;
    response.status = status;
    response.reason = std::move(reason);
    response.body = std::move(body);
    return response;
}

HttpResponse HttpResponse::Pattern(std::uint64_t size)
{
    HttpResponse response;
    response.PatternBody(size);
    return response;
}

HttpResponse HttpResponse::NotFound()
{
    return WithStatus(404, "Not Found", "Not Found");
}

HttpResponse& HttpResponse::Body(std::string bytes)
{
    body = std::move(bytes);
    isPattern = false;
    patternSize = 0;
    return *this;
}

HttpResponse& HttpResponse::PatternBody(std::uint64_t size)
{
    body.clear();
    isPattern = true;
    patternSize = size;
    return *this;
}

HttpResponse& HttpResponse::Chunked(std::size_t size)
{
    framing = HttpFraming::Chunked;
    chunkSize = size ? size : 4096;
    return *this;
}

HttpResponse& HttpResponse::CloseDelimited()
{
    framing = HttpFraming::CloseDelimited;
    return *this;
}

HttpResponse& HttpResponse::Header(std::string name, std::string value)
{
    headers.push_back({std::move(name), std::move(value)});
    return *this;
}

HttpResponse& HttpResponse::Delay(DWORD milliseconds)
{
    delayMs = milliseconds;
    return *this;
}

HttpResponse& HttpResponse::StallAfter(std::uint64_t bodyBytes)
{
    stallAfter = bodyBytes;
    return *this;
}

HttpResponse& HttpResponse::CloseAfter(std::uint64_t bodyBytes)
{
    closeAfter = bodyBytes;
    return *this;
}

// ---- the server's shared state ----------------------------------------------

// Shared by the server object and its threads; each thread holds a reference,
// so the state outlives a thread that the destructor could not wait for.
struct LoopbackHttpServer::Shared {
    SOCKET listener = INVALID_SOCKET;
    unsigned short port = 0;
    std::atomic<bool> stop{false};
    HANDLE stopEvent = nullptr;    // manual reset: set once when stopping
    HANDLE releaseEvent = nullptr; // manual reset: set by ReleaseStalls

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, HttpResponse> routes;
    std::vector<HttpRequest> requests;
    size_t stalls = 0;
    size_t connections = 0;
    std::vector<HANDLE> connectionThreads;
    HANDLE acceptThread = nullptr;

    ~Shared()
    {
        if (stopEvent)
            CloseHandle(stopEvent);
        if (releaseEvent)
            CloseHandle(releaseEvent);
    }

    // Sleeps up to ms; false when the server stops meanwhile.
    bool Pause(DWORD ms) const { return WaitForSingleObject(stopEvent, ms) == WAIT_TIMEOUT; }
};

namespace {

using Shared = LoopbackHttpServer::Shared;

enum class Wait { Ready, Timeout, Stopped, Error };

Wait WaitSocket(const Shared& shared, SOCKET s, bool forWrite, DWORD timeoutMs)
{
    DWORD waited = 0;
    for (;;) {
        if (shared.stop)
            return Wait::Stopped;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval slice = {0, static_cast<long>(kSliceMs * 1000)};
        int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &slice);
        if (n > 0)
            return Wait::Ready;
        if (n < 0)
            return Wait::Error;
        waited += kSliceMs;
        if (waited >= timeoutMs)
            return Wait::Timeout;
    }
}

// Appends what arrives to buffer: > 0 bytes read, 0 end of stream, < 0 error,
// time-out or stop.
int ReceiveSome(const Shared& shared, SOCKET s, std::string& buffer)
{
    for (;;) {
        if (WaitSocket(shared, s, false, kIdleMs) != Wait::Ready)
            return -1;
        char chunk[16 * 1024];
        int n = recv(s, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer.append(chunk, n);
            return n;
        }
        if (n == 0)
            return 0;
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return -1;
    }
}

bool SendAll(const Shared& shared, SOCKET s, const char* data, size_t size)
{
    while (size > 0) {
        int chunk = static_cast<int>(std::min<size_t>(size, kBlock));
        int n = send(s, data, chunk, 0);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        if (WaitSocket(shared, s, true, kIdleMs) != Wait::Ready)
            return false;
    }
    return true;
}

bool SendAll(const Shared& shared, SOCKET s, const std::string& data)
{
    return SendAll(shared, s, data.data(), data.size());
}

// Sends our FIN, then waits (briefly) for the peer's before closing, so the
// last bytes of the answer are not lost to a reset.
void CloseGracefully(const Shared& shared, SOCKET s)
{
    shutdown(s, SD_SEND);
    DWORD waited = 0;
    while (waited < 2000 && !shared.stop) {
        Wait w = WaitSocket(shared, s, false, kSliceMs);
        if (w == Wait::Ready) {
            char sink[4096];
            int n = recv(s, sink, sizeof sink, 0);
            if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK))
                break;
        } else if (w != Wait::Timeout) {
            break;
        }
        waited += kSliceMs;
    }
    closesocket(s);
}

bool ParseHead(const std::string& head, HttpRequest& request)
{
    size_t lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    size_t sp1 = line.find(' ');
    size_t sp2 = line.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1 || sp1 == 0)
        return false;
    request.method = line.substr(0, sp1);
    request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    request.version = line.substr(sp2 + 1);
    if (request.target.empty() || request.version.compare(0, 5, "HTTP/") != 0)
        return false;
    size_t q = request.target.find('?');
    request.path = request.target.substr(0, q);
    request.query = q == std::string::npos ? std::string() : request.target.substr(q + 1);

    size_t pos = lineEnd + 2;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos)
            break;
        std::string field = head.substr(pos, end - pos);
        size_t colon = field.find(':');
        if (colon == std::string::npos || colon == 0)
            return false;
        request.headers.push_back({field.substr(0, colon), Trim(field.substr(colon + 1))});
        pos = end + 2;
    }
    return true;
}

// Reads a chunked request body; `buffer` holds what followed the head.
bool ReadChunkedBody(const Shared& shared, SOCKET s, std::string& buffer, std::string& body)
{
    for (;;) {
        size_t lineEnd;
        while ((lineEnd = buffer.find("\r\n")) == std::string::npos) {
            if (buffer.size() > 1024 || ReceiveSome(shared, s, buffer) <= 0)
                return false;
        }
        std::string sizeText = buffer.substr(0, buffer.find_first_of(";\r"));
        char* end = nullptr;
        unsigned long long size = strtoull(sizeText.c_str(), &end, 16);
        if (sizeText.empty() || *end != '\0' || body.size() + size > kMaxRequestBody)
            return false;
        buffer.erase(0, lineEnd + 2);
        if (size == 0) {
            // Trailer fields up to the empty line.
            for (;;) {
                while ((lineEnd = buffer.find("\r\n")) == std::string::npos) {
                    if (buffer.size() > kMaxHead || ReceiveSome(shared, s, buffer) <= 0)
                        return false;
                }
                buffer.erase(0, lineEnd + 2);
                if (lineEnd == 0)
                    return true;
            }
        }
        while (buffer.size() < size + 2) {
            if (ReceiveSome(shared, s, buffer) <= 0)
                return false;
        }
        body.append(buffer, 0, static_cast<size_t>(size));
        buffer.erase(0, static_cast<size_t>(size) + 2);
    }
}

void Record(Shared& shared, const HttpRequest& request)
{
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.requests.push_back(request);
    shared.changed.notify_all();
}

// Waits at a stall point; false when the connection is to be dropped.
bool Stall(Shared& shared)
{
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        ++shared.stalls;
        shared.changed.notify_all();
    }
    HANDLE events[2] = {shared.stopEvent, shared.releaseEvent};
    DWORD result = WaitForMultipleObjects(2, events, FALSE, kMaxStallMs);
    return result == WAIT_OBJECT_0 + 1;
}

void SendResponse(Shared& shared, SOCKET s, const HttpResponse& response, bool headOnly)
{
    if (response.delayMs && !shared.Pause(response.delayMs))
        return;

    const std::uint64_t size = response.BodySize();
    const bool chunked = response.framing == HttpFraming::Chunked;
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    if (response.framing == HttpFraming::ContentLength && !HasHeaderIn(response.headers, "Content-Length"))
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    if (chunked && !HasHeaderIn(response.headers, "Transfer-Encoding"))
        head += "Transfer-Encoding: chunked\r\n";
    if (!HasHeaderIn(response.headers, "Connection"))
        head += "Connection: close\r\n";
    for (const HttpHeader& h : response.headers)
        head += h.name + ": " + h.value + "\r\n";
    head += "\r\n";
    if (!SendAll(shared, s, head) || headOnly)
        return;

    const std::uint64_t limit = std::min(size, response.closeAfter);
    std::uint64_t sent = 0;
    bool stalled = false;
    std::string piece;
    for (;;) {
        if (!stalled && sent == response.stallAfter) {
            stalled = true;
            if (!Stall(shared))
                return;
        }
        if (sent >= limit)
            break;
        std::uint64_t n = std::min<std::uint64_t>(kBlock, limit - sent);
        if (!stalled && response.stallAfter > sent)
            n = std::min(n, response.stallAfter - sent);
        if (chunked)
            n = std::min<std::uint64_t>(n, response.chunkSize);
        FillBody(response, sent, static_cast<size_t>(n), piece);
        if (chunked) {
            char sizeLine[32];
            snprintf(sizeLine, sizeof sizeLine, "%llx\r\n", static_cast<unsigned long long>(n));
            piece = sizeLine + piece + "\r\n";
        }
        if (!SendAll(shared, s, piece))
            return;
        sent += n;
    }
    if (limit < size)
        return; // CloseAfter: the answer breaks off here
    if (chunked)
        SendAll(shared, s, std::string("0\r\n\r\n"));
}

void ServeConnection(Shared& shared, SOCKET s)
{
    std::string buffer;
    size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kMaxHead) {
            SendAll(shared, s, std::string("HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\n"
                                           "Connection: close\r\n\r\n"));
            CloseGracefully(shared, s);
            return;
        }
        if (ReceiveSome(shared, s, buffer) <= 0) {
            closesocket(s);
            return;
        }
    }

    HttpRequest request;
    request.head = buffer.substr(0, headEnd + 4);
    buffer.erase(0, headEnd + 4);
    if (!ParseHead(request.head, request)) {
        SendAll(shared, s, std::string("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        CloseGracefully(shared, s);
        return;
    }

    bool tooLarge = false;
    if (Lower(request.Header("Transfer-Encoding")).find("chunked") != std::string::npos) {
        request.complete = ReadChunkedBody(shared, s, buffer, request.body);
    } else if (request.HasHeader("Content-Length")) {
        std::string text = request.Header("Content-Length");
        char* end = nullptr;
        unsigned long long length = strtoull(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || length > kMaxRequestBody) {
            tooLarge = true;
        } else {
            while (buffer.size() < length && ReceiveSome(shared, s, buffer) > 0) {
            }
            request.complete = buffer.size() >= length;
            request.body = buffer.substr(0, std::min<size_t>(buffer.size(), static_cast<size_t>(length)));
        }
    } else {
        request.complete = true; // no body
    }
    Record(shared, request);

    if (tooLarge) {
        SendAll(shared, s, std::string("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        CloseGracefully(shared, s);
        return;
    }
    if (!request.complete) {
        closesocket(s);
        return;
    }

    HttpResponse response = HttpResponse::NotFound();
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        auto it = shared.routes.find(request.path);
        if (it != shared.routes.end())
            response = it->second;
    }
    SendResponse(shared, s, response, request.method == "HEAD");
    CloseGracefully(shared, s);
}

void ReapFinishedThreads(Shared& shared)
{
    auto& threads = shared.connectionThreads;
    for (auto it = threads.begin(); it != threads.end();) {
        if (WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
            CloseHandle(*it);
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
}

void AcceptLoop(std::shared_ptr<Shared> shared)
{
    while (!shared->stop) {
        if (WaitSocket(*shared, shared->listener, false, kSliceMs) != Wait::Ready)
            continue;
        SOCKET client = accept(shared->listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        BOOL noDelay = TRUE;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);

        std::lock_guard<std::mutex> lock(shared->mutex);
        ++shared->connections;
        ReapFinishedThreads(*shared);
        if (shared->connectionThreads.size() >= kMaxConnections) {
            closesocket(client);
            continue;
        }
        HANDLE thread = StartThread([shared, client] { ServeConnection(*shared, client); });
        if (thread)
            shared->connectionThreads.push_back(thread);
        else
            closesocket(client);
    }
}

SOCKET ListenOnLoopback(unsigned short port, int backlog, unsigned short& bound, std::string& error)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = "socket() failed: " + std::to_string(WSAGetLastError());
        return s;
    }
    // No SO_REUSEADDR: on Windows it would let a second server take a port in use.
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (error " + std::to_string(WSAGetLastError()) +
                ")";
        closesocket(s);
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bound = ntohs(address.sin_port);
    return s;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

// ---- LoopbackHttpServer -----------------------------------------------------

LoopbackHttpServer::LoopbackHttpServer(Tls tls, unsigned short port)
    : m_shared(std::make_shared<Shared>()), m_tls(tls), m_controlSocket(INVALID_SOCKET)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        m_error = "WSAStartup failed";
        return;
    }
    m_winsock = true;
    m_shared->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_shared->releaseEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    // With TLS the front takes the requested port; the plain server behind it
    // always takes an ephemeral one.
    m_shared->listener = ListenOnLoopback(tls == Tls::None ? port : 0, SOMAXCONN, m_shared->port, m_error);
    if (m_shared->listener == INVALID_SOCKET)
        return;
    std::shared_ptr<Shared> shared = m_shared;
    m_shared->acceptThread = StartThread([shared] { AcceptLoop(shared); });
    if (!m_shared->acceptThread) {
        m_error = "cannot start the accept thread";
        return;
    }
    if (tls == Tls::None)
        m_publicPort = m_shared->port;
    else
        StartTlsFront(tls, port);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    StopTlsFront();
    Shared& shared = *m_shared;
    shared.stop = true;
    if (shared.stopEvent)
        SetEvent(shared.stopEvent);

    bool allEnded = true;
    if (shared.acceptThread) {
        allEnded = WaitForSingleObject(shared.acceptThread, 10000) == WAIT_OBJECT_0;
        CloseHandle(shared.acceptThread);
        shared.acceptThread = nullptr;
    }
    // The accept thread has ended (or is stuck for good): the list is stable.
    std::vector<HANDLE> threads;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        threads.swap(shared.connectionThreads);
    }
    for (HANDLE thread : threads) {
        if (WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0)
            allEnded = false;
        CloseHandle(thread);
    }
    if (shared.listener != INVALID_SOCKET && allEnded) {
        closesocket(shared.listener);
        shared.listener = INVALID_SOCKET;
    }
    if (!allEnded)
        fprintf(stderr, "LoopbackHttpServer: a server thread did not end in time; its state is left alive\n");
    // Winsock stays initialised for a thread that is still running.
    if (m_winsock && allEnded)
        WSACleanup();
}

bool LoopbackHttpServer::IsRunning() const
{
    return m_error.empty() && m_publicPort != 0;
}

std::string LoopbackHttpServer::Error() const
{
    return m_error;
}

unsigned short LoopbackHttpServer::Port() const
{
    return m_publicPort;
}

bool LoopbackHttpServer::IsTls() const
{
    return m_tls != Tls::None;
}

std::wstring LoopbackHttpServer::Url(const std::string& path, const std::string& host) const
{
    return Widen((IsTls() ? "https://" : "http://") + host + ":" + std::to_string(m_publicPort) + path);
}

void LoopbackHttpServer::Route(const std::string& path, HttpResponse response)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->routes[path] = std::move(response);
}

std::vector<HttpRequest> LoopbackHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->requests;
}

std::size_t LoopbackHttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->requests.size();
}

bool LoopbackHttpServer::WaitForRequests(std::size_t count, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return m_shared->requests.size() >= count; });
}

void LoopbackHttpServer::ClearRequests()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->requests.clear();
}

std::size_t LoopbackHttpServer::ConnectionCount() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->connections;
}

bool LoopbackHttpServer::WaitForStall(DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return m_shared->stalls > 0; });
}

void LoopbackHttpServer::ReleaseStalls()
{
    SetEvent(m_shared->releaseEvent);
}

// ---- the TLS front ------------------------------------------------------------

bool LoopbackHttpServer::StartTlsFront(Tls tls, unsigned short port)
{
    const char* name = tls == Tls::Trusted ? "server-trusted" : tls == Tls::UntrustedRoot ? "server-untrusted"
                                                                                          : "server-wrong-host";
    unsigned short controlPort = 0;
    SOCKET control = ListenOnLoopback(0, 1, controlPort, m_error);
    if (control == INVALID_SOCKET)
        return false;

    // Arguments are Unix paths: the front is a Unix process.
    std::string arguments = std::string(" -I -u \"") + ZVTEST_TLS_FRONT_UNIX + "\" --cert \"" +
                            FixtureUnixPath(std::string(name) + ".pem") + "\" --key \"" +
                            FixtureUnixPath(std::string(name) + ".key") + "\" --backend-port " +
                            std::to_string(m_shared->port) + " --control-port " + std::to_string(controlPort) +
                            " --port " + std::to_string(port);
    std::wstring python = ZVTEST_PYTHON_W;
    std::wstring commandLine = L"\"" + python + L"\"" + Widen(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(python.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        m_error = "cannot start the TLS front (" + std::string(ZVTEST_TLS_FRONT_UNIX) + "), error " +
                  std::to_string(GetLastError()) + "; it needs Wine and python3";
        closesocket(control);
        return false;
    }
    // Wine gives no usable handles for a Unix process; the control connection
    // is how the front is watched and stopped.
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);

    std::string line;
    SOCKET connection = INVALID_SOCKET;
    if (WaitSocket(*m_shared, control, false, 20000) == Wait::Ready)
        connection = accept(control, nullptr, nullptr);
    closesocket(control);
    if (connection == INVALID_SOCKET) {
        m_error = "the TLS front did not report back within 20 s";
        return false;
    }
    m_controlSocket = connection;
    u_long nonBlocking = 1;
    ioctlsocket(connection, FIONBIO, &nonBlocking);
    while (line.find('\n') == std::string::npos && line.size() < 4096) {
        if (ReceiveSome(*m_shared, connection, line) <= 0)
            break;
    }
    line = line.substr(0, line.find('\n'));
    int reported = line.compare(0, 5, "PORT ") == 0 ? atoi(line.c_str() + 5) : 0;
    if (reported <= 0 || reported > 65535) {
        m_error = line.empty() ? "the TLS front closed without a port" : "TLS front: " + line;
        return false;
    }
    m_publicPort = static_cast<unsigned short>(reported);
    return true;
}

void LoopbackHttpServer::StopTlsFront()
{
    SOCKET control = static_cast<SOCKET>(m_controlSocket);
    if (control == INVALID_SOCKET)
        return;
    // EOF tells the front to stop; its own close tells us that it did.
    shutdown(control, SD_SEND);
    DWORD waited = 0;
    while (waited < 3000) {
        Wait w = WaitSocket(*m_shared, control, false, kSliceMs);
        if (w == Wait::Ready) {
            char sink[256];
            int n = recv(control, sink, sizeof sink, 0);
            if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK))
                break;
        } else if (w != Wait::Timeout) {
            break;
        }
        waited += kSliceMs;
    }
    closesocket(control);
    m_controlSocket = INVALID_SOCKET;
}

} // namespace zvtest
