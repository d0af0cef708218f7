// LoopbackHttpServer: a real HTTP (and HTTPS) server on 127.0.0.1 inside the
// test program, for tests of code that talks WinINet.
//
//   zvtest::LoopbackHttpServer server;                       // plain HTTP, ephemeral port
//   ASSERT_TRUE(server.IsRunning()) << server.Error();
//   server.Route("/update", zvtest::HttpResponse::Ok("<xml/>").Chunked());
//   server.Route("/setup.exe", zvtest::HttpResponse::Pattern(3 * 65536 + 17));
//   std::wstring url = server.Url("/update?format=xml");   // L"http://127.0.0.1:<port>/update?format=xml"
//   ... run the code under test ...
//   EXPECT_EQ("/update?format=xml", server.Requests().at(0).target);
//
// - Routes match the request path exactly (the target up to "?"); unknown
//   paths get 404. Route() may be called while clients are connected.
// - One request per connection ("Connection: close"). Every request is
//   recorded before its answer goes out: method, target as sent, headers in
//   order, the Content-Length body (complete == false when it broke off).
// - Framing: Content-Length (default), Chunked() or CloseDelimited(); a
//   Header() of the same name replaces the automatic one, so a test can
//   announce a wrong length. Pattern(n) bodies are made on the fly (never held
//   in memory): use them for large or endless downloads.
// - StallAfter(n): after n body bytes the answer waits (sending nothing) until
//   ReleaseStalls() or the server stops; WaitForStall() tells the test it got
//   there. CloseAfter(n): the connection is closed after n body bytes.
// - HTTPS: construct with a TLS choice (call zvtest::InstallTestRootCA() first
//   for Trusted). tls_front.py, a Unix process started through Wine, ends TLS
//   with the fixture certificate and passes the bytes on unchanged.
// - Port 0 picks a free port. A fixed port (80, for the customer-data upload)
//   needs the test's PORT_80 declaration.
// - The destructor stops every connection, stalled ones included, within a
//   fraction of a second.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zvtest {

// Byte `index` of every Pattern body: not periodic at 64 KiB or any power of two.
std::uint8_t PatternByte(std::uint64_t index);
std::string PatternBytes(std::uint64_t offset, std::size_t count);
// Empty when the file holds exactly the first `size` pattern bytes; otherwise
// the first difference.
std::string CheckPatternFile(const std::wstring& path, std::uint64_t size);

struct HttpHeader {
    std::string name;
    std::string value;
};

struct HttpRequest {
    std::string method;
    std::string target; // exactly as sent: "/path?query"
    std::string path;   // target up to "?"
    std::string query;  // after "?"
    std::vector<HttpHeader> headers;
    std::string body;
    bool complete = false;

    // First value of a header, names compared without case; "" when missing.
    std::string Header(const std::string& name) const;
};

class HttpResponse {
public:
    static HttpResponse Ok(std::string body = std::string());
    static HttpResponse WithStatus(int status, std::string reason, std::string body = std::string());
    static HttpResponse Pattern(std::uint64_t size);
    static HttpResponse NotFound();

    HttpResponse& Chunked(std::size_t chunkSize = 4096);
    HttpResponse& CloseDelimited();
    HttpResponse& Header(std::string name, std::string value);
    HttpResponse& Delay(DWORD milliseconds); // before the status line
    HttpResponse& StallAfter(std::uint64_t bodyBytes);
    HttpResponse& CloseAfter(std::uint64_t bodyBytes);
    HttpResponse& Pace(std::uint64_t bodyBytes, DWORD milliseconds); // a pause after every bodyBytes

    int status = 200;
    std::string reason = "OK";
    std::vector<HttpHeader> headers;
    enum class Framing { ContentLength, Chunked, CloseDelimited } framing = Framing::ContentLength;
    std::size_t chunkSize = 4096;
    std::string body;
    bool isPattern = false;
    std::uint64_t patternSize = 0;
    DWORD delayMs = 0;
    std::uint64_t stallAfter = UINT64_MAX;
    std::uint64_t closeAfter = UINT64_MAX;
    std::uint64_t paceBytes = 0;
    DWORD paceMs = 0;
};

class LoopbackHttpServer {
public:
    enum class Tls {
        None,          // plain HTTP
        Trusted,       // 127.0.0.1 / localhost, issued by the test root CA
        UntrustedRoot, // 127.0.0.1 / localhost, issued by a root that is never installed
        WrongHost,     // "wrong.example.com", issued by the test root CA
    };

    explicit LoopbackHttpServer(Tls tls = Tls::None, unsigned short port = 0);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool IsRunning() const { return m_error.empty() && m_port != 0; }
    std::string Error() const { return m_error; }
    // "http[s]://<host>:<port>" + path.
    std::wstring Url(const std::string& path = "/", const std::string& host = "127.0.0.1") const;

    void Route(const std::string& path, HttpResponse response);
    std::vector<HttpRequest> Requests() const;
    std::size_t RequestCount() const;
    void ClearRequests();
    // Connections accepted so far (including ones that sent nothing).
    std::size_t ConnectionCount() const;
    bool WaitForStall(DWORD timeoutMs = 5000) const;
    void ReleaseStalls();

    struct Shared;

private:
    void StartTlsFront(Tls tls, unsigned short port);

    std::shared_ptr<Shared> m_shared;
    Tls m_tls;
    unsigned short m_port = 0;
    std::uintptr_t m_control; // SOCKET of the TLS front's control connection
    std::string m_error;
};

} // namespace zvtest
