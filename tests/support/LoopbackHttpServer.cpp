#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/LoopbackHttpServer.h"

#include "ZvTestPaths.h"
#include "support/Fixtures.h"
#include "support/Threads.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

namespace zvtest {

namespace {

const size_t kBlock = 64 * 1024;
const DWORD kMaxStallMs = 120000;

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && _strnicmp(a.c_str(), b.c_str(), a.size()) == 0;
}

bool HasHeader(const std::vector<HttpHeader>& headers, const char* name)
{
    return std::any_of(headers.begin(), headers.end(), [&](const HttpHeader& h) { return SameName(h.name, name); });
}

void SetTimeout(SOCKET s, DWORD ms)
{
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

bool SendAll(SOCKET s, const std::string& data)
{
    for (size_t sent = 0; sent < data.size();) {
        const int n = send(s, data.data() + sent, static_cast<int>(std::min(data.size() - sent, kBlock)), 0);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

SOCKET Listen(unsigned short port, unsigned short& bound, std::string& error)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof address;
    // No SO_REUSEADDR: on Windows it would let a second server take a port in use.
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(s, SOMAXCONN) != 0 || getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (error " + std::to_string(WSAGetLastError())
                + ")";
        if (s != INVALID_SOCKET)
            closesocket(s);
        return INVALID_SOCKET;
    }
    bound = ntohs(address.sin_port);
    return s;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
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
        return "cannot open the file";
    std::string problem;
    std::vector<char> buffer(kBlock);
    std::uint64_t offset = 0;
    DWORD read = 0;
    while (problem.empty() && ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)
           && read > 0) {
        const std::string expected = PatternBytes(offset, read);
        const size_t differs = std::mismatch(expected.begin(), expected.end(), buffer.begin()).first - expected.begin();
        if (differs < read)
            problem = "byte " + std::to_string(offset + differs) + " differs";
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
        if (SameName(h.name, name))
            return h.value;
    }
    return std::string();
}

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
    response.isPattern = true;
    response.patternSize = size;
    return response;
}

HttpResponse HttpResponse::NotFound()
{
    return WithStatus(404, "Not Found", "Not Found");
}

HttpResponse& HttpResponse::Chunked(std::size_t size)
{
    framing = Framing::Chunked;
    chunkSize = size ? size : 4096;
    return *this;
}

HttpResponse& HttpResponse::CloseDelimited()
{
    framing = Framing::CloseDelimited;
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

HttpResponse& HttpResponse::Pace(std::uint64_t bodyBytes, DWORD milliseconds)
{
    paceBytes = bodyBytes;
    paceMs = milliseconds;
    return *this;
}

// Shared by the server object and its threads, so that it outlives a thread
// that the destructor could not wait for.
struct LoopbackHttpServer::Shared {
    SOCKET listener = INVALID_SOCKET;
    unsigned short port = 0;
    HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE releaseEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, HttpResponse> routes;
    std::vector<HttpRequest> requests;
    size_t stalls = 0;
    size_t connections = 0;
    std::vector<SOCKET> open;
    std::vector<HANDLE> threads;

    ~Shared()
    {
        CloseHandle(stopEvent);
        CloseHandle(releaseEvent);
    }
    bool Stopped() const { return WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0; }

    // Reads the head and the Content-Length body; false when nothing usable came.
    bool Receive(SOCKET s, HttpRequest& request)
    {
        std::string data;
        char chunk[16 * 1024];
        size_t headEnd;
        while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            const int n = recv(s, chunk, sizeof chunk, 0);
            if (n <= 0 || data.size() > 64 * 1024)
                return false;
            data.append(chunk, n);
        }
        const std::string head = data.substr(0, headEnd + 2);
        size_t lineEnd = head.find("\r\n");
        const std::string line = head.substr(0, lineEnd);
        const size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
        if (sp1 == std::string::npos || sp2 <= sp1)
            return false;
        request.method = line.substr(0, sp1);
        request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        const size_t q = request.target.find('?');
        request.path = request.target.substr(0, q);
        request.query = q == std::string::npos ? std::string() : request.target.substr(q + 1);
        for (size_t pos = lineEnd + 2; pos < head.size(); pos = lineEnd + 2) {
            lineEnd = head.find("\r\n", pos);
            const std::string field = head.substr(pos, lineEnd - pos);
            const size_t colon = field.find(':');
            const size_t value = field.find_first_not_of(" \t", colon + 1);
            request.headers.push_back(
                {field.substr(0, colon), value == std::string::npos ? std::string() : field.substr(value)});
        }
        data.erase(0, headEnd + 4);
        const size_t length = static_cast<size_t>(strtoull(request.Header("Content-Length").c_str(), nullptr, 10));
        while (data.size() < length) {
            const int n = recv(s, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            data.append(chunk, n);
        }
        request.complete = data.size() >= length;
        request.body = data.substr(0, length);
        return true;
    }

    void Answer(SOCKET s, const HttpResponse& response)
    {
        if (response.delayMs && WaitForSingleObject(stopEvent, response.delayMs) != WAIT_TIMEOUT)
            return;
        const std::uint64_t size = response.isPattern ? response.patternSize : response.body.size();
        const bool chunked = response.framing == HttpResponse::Framing::Chunked;
        std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
        if (response.framing == HttpResponse::Framing::ContentLength && !HasHeader(response.headers, "Content-Length"))
            head += "Content-Length: " + std::to_string(size) + "\r\n";
        if (chunked && !HasHeader(response.headers, "Transfer-Encoding"))
            head += "Transfer-Encoding: chunked\r\n";
        if (!HasHeader(response.headers, "Connection"))
            head += "Connection: close\r\n";
        for (const HttpHeader& h : response.headers)
            head += h.name + ": " + h.value + "\r\n";
        if (!SendAll(s, head + "\r\n"))
            return;
        const std::uint64_t limit = std::min(size, response.closeAfter);
        for (std::uint64_t sent = 0; sent < limit;) {
            if (sent == response.stallAfter) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    ++stalls;
                    changed.notify_all();
                }
                HANDLE events[2] = {stopEvent, releaseEvent};
                if (WaitForMultipleObjects(2, events, FALSE, kMaxStallMs) != WAIT_OBJECT_0 + 1)
                    return;
            }
            std::uint64_t n = std::min<std::uint64_t>(chunked ? response.chunkSize : kBlock, limit - sent);
            if (response.stallAfter > sent)
                n = std::min(n, response.stallAfter - sent);
            if (response.paceBytes)
                n = std::min(n, response.paceBytes - sent % response.paceBytes);
            std::string piece = response.isPattern ? PatternBytes(sent, static_cast<size_t>(n))
                                                   : response.body.substr(static_cast<size_t>(sent), static_cast<size_t>(n));
            if (chunked) {
                char sizeLine[32];
                snprintf(sizeLine, sizeof sizeLine, "%llx\r\n", static_cast<unsigned long long>(n));
                piece = sizeLine + piece + "\r\n";
            }
            if (Stopped() || !SendAll(s, piece))
                return;
            sent += n;
            if (response.paceBytes && sent % response.paceBytes == 0 && sent < limit
                && WaitForSingleObject(stopEvent, response.paceMs) != WAIT_TIMEOUT) {
                return;
            }
        }
        if (chunked && limit == size)
            SendAll(s, "0\r\n\r\n");
    }

    void Serve(SOCKET s)
    {
        SetTimeout(s, 30000);
        HttpRequest request;
        if (Receive(s, request)) {
            HttpResponse response = HttpResponse::NotFound();
            {
                std::lock_guard<std::mutex> lock(mutex);
                requests.push_back(request);
                changed.notify_all();
                auto route = routes.find(request.path);
                if (route != routes.end())
                    response = route->second;
            }
            if (request.complete)
                Answer(s, response);
        }
        // Our FIN, then the peer's, so the answer's last bytes are not lost
        // to a reset.
        shutdown(s, SD_SEND);
        SetTimeout(s, 2000);
        char sink[4096];
        while (!Stopped() && recv(s, sink, sizeof sink, 0) > 0) {
        }
        std::lock_guard<std::mutex> lock(mutex);
        open.erase(std::remove(open.begin(), open.end(), s), open.end());
        closesocket(s);
    }

    void AcceptLoop(const std::shared_ptr<Shared>& self)
    {
        while (!Stopped()) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(listener, &set);
            timeval slice = {0, 50000};
            if (select(0, &set, nullptr, nullptr, &slice) <= 0)
                continue;
            SOCKET client = accept(listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                continue;
            BOOL noDelay = TRUE;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
            std::lock_guard<std::mutex> lock(mutex);
            ++connections;
            open.push_back(client);
            threads.push_back(StartThread([self, client] { self->Serve(client); }));
        }
    }
};

LoopbackHttpServer::LoopbackHttpServer(Tls tls, unsigned short port)
    : m_shared(std::make_shared<Shared>()), m_tls(tls), m_control(INVALID_SOCKET)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    // With TLS the front takes the requested port; the plain server behind it
    // always takes an ephemeral one.
    m_shared->listener = Listen(tls == Tls::None ? port : 0, m_shared->port, m_error);
    if (m_shared->listener == INVALID_SOCKET)
        return;
    std::shared_ptr<Shared> shared = m_shared;
    m_shared->threads.push_back(StartThread([shared] { shared->AcceptLoop(shared); }));
    if (tls == Tls::None)
        m_port = m_shared->port;
    else
        StartTlsFront(tls, port);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    SOCKET control = static_cast<SOCKET>(m_control);
    if (control != INVALID_SOCKET) {
        // EOF tells the front to stop; its own close tells us that it did.
        shutdown(control, SD_SEND);
        char sink[256];
        while (recv(control, sink, sizeof sink, 0) > 0) {
        }
        closesocket(control);
    }
    Shared& shared = *m_shared;
    SetEvent(shared.stopEvent);
    std::vector<HANDLE> threads;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        for (SOCKET s : shared.open)
            shutdown(s, SD_BOTH); // wakes a thread blocked on the socket
    }
    // The accept loop has ended once its thread (the first) has.
    if (!shared.threads.empty())
        WaitForSingleObject(shared.threads.front(), 10000);
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        threads.swap(shared.threads);
    }
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }
    if (shared.listener != INVALID_SOCKET)
        closesocket(shared.listener);
    WSACleanup();
}

std::wstring LoopbackHttpServer::Url(const std::string& path, const std::string& host) const
{
    return Widen((m_tls != Tls::None ? "https://" : "http://") + host + ":" + std::to_string(m_port) + path);
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

void LoopbackHttpServer::StartTlsFront(Tls tls, unsigned short port)
{
    const std::string name = tls == Tls::Trusted         ? "server-trusted"
                             : tls == Tls::UntrustedRoot ? "server-untrusted"
                                                         : "server-wrong-host";
    unsigned short controlPort = 0;
    SOCKET listener = Listen(0, controlPort, m_error);
    if (listener == INVALID_SOCKET)
        return;
    // Arguments are Unix paths: the front is a Unix process.
    std::wstring commandLine = L"\"" + std::wstring(ZVTEST_PYTHON_W) + L"\"" +
                               Widen(std::string(" -I -u \"") + ZVTEST_TLS_FRONT_UNIX + "\" --cert \"" +
                                     FixtureUnixPath(name + ".pem") + "\" --key \"" + FixtureUnixPath(name + ".key") +
                                     "\" --backend-port " + std::to_string(m_shared->port) + " --control-port " +
                                     std::to_string(controlPort) + " --port " + std::to_string(port));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(ZVTEST_PYTHON_W, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        m_error = "cannot start the TLS front (it needs Wine and python3)";
        closesocket(listener);
        return;
    }
    // Wine gives no usable handles for a Unix process; the control connection
    // is how the front is watched and stopped.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener, &set);
    timeval wait = {20, 0};
    SOCKET control = select(0, &set, nullptr, nullptr, &wait) > 0 ? accept(listener, nullptr, nullptr) : INVALID_SOCKET;
    closesocket(listener);
    if (control == INVALID_SOCKET) {
        m_error = "the TLS front did not report back within 20 s";
        return;
    }
    m_control = control;
    SetTimeout(control, 20000);
    std::string line;
    char chunk[256];
    int n;
    while (line.find('\n') == std::string::npos && (n = recv(control, chunk, sizeof chunk, 0)) > 0)
        line.append(chunk, n);
    line = line.substr(0, line.find('\n'));
    const int reported = line.compare(0, 5, "PORT ") == 0 ? atoi(line.c_str() + 5) : 0;
    if (reported <= 0 || reported > 65535)
        m_error = "TLS front: " + (line.empty() ? std::string("closed without a port") : line);
    else
        m_port = static_cast<unsigned short>(reported);
    SetTimeout(control, 3000);
}

} // namespace zvtest
