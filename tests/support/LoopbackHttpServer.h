// LoopbackHttpServer: a real HTTP (and HTTPS) server on 127.0.0.1 inside the
// test program, for tests of code that talks WinINet.
//
//   zvtest::LoopbackHttpServer server;                       // plain HTTP, ephemeral port
//   ASSERT_TRUE(server.IsRunning()) << server.Error();
//   server.Route("/update", zvtest::HttpResponse::Ok("<xml/>").Chunked());
//   server.Route("/setup.exe", zvtest::HttpResponse::Pattern(3 * 65536 + 17));
//   server.Route("/gone", zvtest::HttpResponse::WithStatus(500, "Internal Server Error", "oops"));
//   std::wstring url = server.Url("/update?format=xml");   // L"http://127.0.0.1:<port>/update?format=xml"
//   ... run the code under test ...
//   std::vector<zvtest::HttpRequest> seen = server.Requests();
//   EXPECT_EQ("/update?format=xml", seen.at(0).target);
//
// HTTPS: construct with a TLS certificate choice. Call zvtest::InstallTestRootCA()
// first for the trusted certificates.
//
//   zvtest::LoopbackHttpServer secure(zvtest::LoopbackHttpServer::Tls::Trusted);
//   secure.Url("/x")  ->  L"https://127.0.0.1:<port>/x"
//
// How it works and what to rely on:
// - Routes match the request path exactly (the target up to "?"); the query is
//   not matched but is recorded. Unknown paths get 404 "Not Found". Route()
//   replaces an earlier response for the same path and may be called while
//   clients are connected.
// - Every response carries "Connection: close" and the server closes the
//   connection after it: one request per connection, no keep-alive.
// - Every request whose head could be parsed is recorded, in arrival order,
//   before its response is sent: method, target exactly as sent, headers in
//   order, the head's raw bytes, and the body (Content-Length or chunked
//   request bodies, up to 64 MiB). A request whose body did not arrive in full
//   is recorded with complete == false.
// - Framing of a response: Content-Length (default), Chunked() or
//   CloseDelimited() (neither header; the body ends when the server closes).
//   Automatic headers (Content-Length, Transfer-Encoding, Connection) are left
//   out when Header() sets the same name, so a test can announce a wrong length.
// - Pattern(n) bodies are generated on the fly (PatternByte below), never held
//   in memory: use them for large downloads.
// - StallAfter(n): after n body bytes the connection waits until ReleaseStalls()
//   or the server stops; WaitForStall() tells the test that it got there.
//   CloseAfter(n): the connection is closed after n body bytes (a broken answer).
// - The server is thread-safe. Its destructor stops every connection within a
//   fraction of a second (stalled ones included) and never hangs.
// - Plain HTTP is served by Winsock in this process. HTTPS puts a TLS front
//   before it: tests/support/tls_front.py, started as a Unix process through
//   Wine (Wine starts Unix executables given by a Z:\ path), which terminates
//   TLS with the fixture certificate and passes the bytes on unchanged. It
//   stops when this object goes away. This needs Wine; on Windows, HTTPS
//   servers report Error().
// - Port: 0 (default) picks a free ephemeral port. A fixed port (e.g. 80, for
//   code that always connects to port 80) works here because tests run as root;
//   tests that share a fixed port must not run at the same time (CTest
//   RESOURCE_LOCK).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zvtest {

// Byte `index` of every Pattern body: not periodic at 64 KiB or any power of two.
std::uint8_t PatternByte(std::uint64_t index);
// `count` bytes of the pattern starting at `offset`, for comparisons.
std::string PatternBytes(std::uint64_t offset, std::size_t count);
// Empty when the file at `path` holds exactly the first `size` pattern bytes;
// otherwise a description of the first difference.
std::string CheckPatternFile(const std::wstring& path, std::uint64_t size);

struct HttpHeader {
    std::string name;
    std::string value;
};

struct HttpRequest {
    std::string method;  // "GET", "POST", ...
    std::string target;  // request target exactly as sent: "/path?query"
    std::string path;    // target up to "?"
    std::string query;   // after "?" (without it); empty when none
    std::string version; // "HTTP/1.1"
    std::vector<HttpHeader> headers; // in the order sent, names as sent
    std::string head;    // raw bytes from the request line to the blank line, inclusive
    std::string body;    // request body, de-chunked when it was chunked
    bool complete = false; // the whole body arrived

    // First value of a header, names compared without case; "" when missing.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

enum class HttpFraming { ContentLength, Chunked, CloseDelimited };

class HttpResponse {
public:
    static HttpResponse Ok(std::string body = std::string());
    static HttpResponse WithStatus(int status, std::string reason, std::string body = std::string());
    // 200 with a generated body of `size` pattern bytes.
    static HttpResponse Pattern(std::uint64_t size);
    static HttpResponse NotFound();

    HttpResponse& Body(std::string body);
    HttpResponse& PatternBody(std::uint64_t size);
    HttpResponse& Chunked(std::size_t chunkSize = 4096);
    HttpResponse& CloseDelimited();
    HttpResponse& Header(std::string name, std::string value);
    HttpResponse& Delay(DWORD milliseconds);     // before the status line
    HttpResponse& StallAfter(std::uint64_t bodyBytes);
    HttpResponse& CloseAfter(std::uint64_t bodyBytes);

    int status = 200;
    std::string reason = "OK";
    std::vector<HttpHeader> headers;
    HttpFraming framing = HttpFraming::ContentLength;
    std::size_t chunkSize = 4096;
    std::string body;             // used unless isPattern
    bool isPattern = false;
    std::uint64_t patternSize = 0;
    DWORD delayMs = 0;
    std::uint64_t stallAfter = UINT64_MAX;
    std::uint64_t closeAfter = UINT64_MAX;

    std::uint64_t BodySize() const { return isPattern ? patternSize : body.size(); }
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

    bool IsRunning() const;
    // Why the server is not running ("" when it is).
    std::string Error() const;
    // The port clients connect to (the TLS port for HTTPS).
    unsigned short Port() const;
    bool IsTls() const;
    // "http[s]://<host>:<port>" + path; path starts with "/".
    std::wstring Url(const std::string& path = "/", const std::string& host = "127.0.0.1") const;

    void Route(const std::string& path, HttpResponse response);

    std::vector<HttpRequest> Requests() const;
    std::size_t RequestCount() const;
    // True once at least `count` requests were recorded.
    bool WaitForRequests(std::size_t count, DWORD timeoutMs = 5000) const;
    void ClearRequests();
    // Connections accepted so far (including ones that sent nothing).
    std::size_t ConnectionCount() const;

    // True once a response reached its StallAfter point (and waits there).
    bool WaitForStall(DWORD timeoutMs = 5000) const;
    // Lets every stalled response go on, and every later one pass its stall point.
    void ReleaseStalls();

    struct Shared;

private:
    bool StartTlsFront(Tls tls, unsigned short port);
    void StopTlsFront();

    std::shared_ptr<Shared> m_shared;
    Tls m_tls;
    unsigned short m_publicPort = 0;
    std::uintptr_t m_controlSocket; // SOCKET of the TLS front's control connection
    std::string m_error;
    bool m_winsock = false;
};

} // namespace zvtest
