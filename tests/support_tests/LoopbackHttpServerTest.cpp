// The plain loopback HTTP server, driven by WinINet (as the library's
// clients are) and by raw sockets where the exact bytes on the wire matter.
#include "WinInetClient.h"
#include "support/LoopbackHttpServer.h"
#include "support/Threads.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using zvtest::Fetch;
using zvtest::FetchOptions;
using zvtest::FetchResult;
using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using zvtest::PatternBytes;
using zvtest::RawExchange;

// Compares large byte strings without printing them.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        ++i;
    return ::testing::AssertionFailure() << "expected " << expected.size() << " bytes, got " << actual.size()
                                         << "; first difference at byte " << i;
}

class LoopbackHttp : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.IsRunning()) << server.Error(); }
    LoopbackHttpServer server;
};

TEST_F(LoopbackHttp, ContentLengthAnswerAndTheRequestAsSent)
{
    server.Route("/update", HttpResponse::Ok("<patch/>").Header("Content-Type", "text/xml"));
    EXPECT_EQ(L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/update?a=1", server.Url("/update?a=1"));

    FetchResult r = Fetch(server.Url("/update?format=xml&program=Test%20Prog"));
    ASSERT_TRUE(r.sent) << r.error;
    EXPECT_EQ(200u, r.status);
    EXPECT_TRUE(r.hasContentLength);
    EXPECT_EQ("8", r.contentLength);
    EXPECT_EQ("", r.transferEncoding);
    EXPECT_EQ("<patch/>", r.body);
    EXPECT_TRUE(r.readComplete);

    std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(1u, requests.size());
    const HttpRequest& q = requests[0];
    EXPECT_EQ("GET", q.method);
    EXPECT_EQ("/update?format=xml&program=Test%20Prog", q.target);
    EXPECT_EQ("/update", q.path);
    EXPECT_EQ("format=xml&program=Test%20Prog", q.query);
    EXPECT_EQ("HTTP/1.1", q.version);
    EXPECT_EQ("zvtest", q.Header("user-agent"));
    EXPECT_EQ("127.0.0.1:" + std::to_string(server.Port()), q.Header("Host"));
    EXPECT_EQ(0u, q.head.find("GET /update?format=xml&program=Test%20Prog HTTP/1.1\r\n"));
    EXPECT_EQ(q.head.size() - 4, q.head.find("\r\n\r\n"));
    EXPECT_EQ("", q.body);
    EXPECT_TRUE(q.complete);

    // A route can be replaced while the server runs; requests keep accumulating.
    server.Route("/update", HttpResponse::Ok("second"));
    EXPECT_EQ("second", Fetch(server.Url("/update")).body);
    EXPECT_EQ(2u, server.RequestCount());
    EXPECT_EQ(2u, server.ConnectionCount());
    server.ClearRequests();
    EXPECT_EQ(0u, server.RequestCount());
}

TEST_F(LoopbackHttp, UnknownPathsAndErrorStatuses)
{
    FetchResult missing = Fetch(server.Url("/nothing-here?x=1"));
    ASSERT_TRUE(missing.sent);
    EXPECT_EQ(404u, missing.status);
    EXPECT_EQ("Not Found", missing.body);

    server.Route("/broken", HttpResponse::WithStatus(500, "Internal Server Error", "oops"));
    server.Route("/empty", HttpResponse::WithStatus(204, "No Content"));
    FetchResult broken = Fetch(server.Url("/broken"));
    EXPECT_EQ(500u, broken.status);
    EXPECT_EQ("oops", broken.body);
    EXPECT_EQ(204u, Fetch(server.Url("/empty")).status);

    // Paths match exactly: no prefix matching, no trailing-slash folding.
    EXPECT_EQ(404u, Fetch(server.Url("/broken/")).status);
    EXPECT_EQ(404u, Fetch(server.Url("/broke")).status);
    EXPECT_EQ(5u, server.RequestCount());
}

TEST_F(LoopbackHttp, ChunkedAnswer)
{
    std::string body = PatternBytes(0, 10000);
    server.Route("/chunked", HttpResponse::Ok(body).Chunked(1000));
    FetchResult r = Fetch(server.Url("/chunked"));
    ASSERT_TRUE(r.sent);
    EXPECT_FALSE(r.hasContentLength);
    EXPECT_EQ("chunked", r.transferEncoding);
    EXPECT_TRUE(SameBytes(body, r.body));
    EXPECT_TRUE(r.readComplete);

    server.Route("/small", HttpResponse::Ok("abcdefgh").Chunked(3));
    EXPECT_EQ("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
              "3\r\nabc\r\n3\r\ndef\r\n2\r\ngh\r\n0\r\n\r\n",
              RawExchange(server.Port(), "GET /small HTTP/1.1\r\nHost: x\r\n\r\n"));
}

TEST_F(LoopbackHttp, CloseDelimitedAnswer)
{
    std::string body = PatternBytes(5, 70000);
    server.Route("/raw", HttpResponse::Ok(body).CloseDelimited());
    FetchResult r = Fetch(server.Url("/raw"));
    ASSERT_TRUE(r.sent);
    EXPECT_EQ(200u, r.status);
    EXPECT_FALSE(r.hasContentLength);
    EXPECT_EQ("", r.transferEncoding);
    EXPECT_TRUE(SameBytes(body, r.body));
    EXPECT_TRUE(r.readComplete);

    server.Route("/short", HttpResponse::Ok("abc").CloseDelimited());
    EXPECT_EQ("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nabc",
              RawExchange(server.Port(), "GET /short HTTP/1.1\r\nHost: x\r\n\r\n"));
}

TEST_F(LoopbackHttp, HeadAnswersCarryNoBody)
{
    server.Route("/file", HttpResponse::Ok("12345"));
    EXPECT_EQ("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n",
              RawExchange(server.Port(), "HEAD /file HTTP/1.1\r\nHost: x\r\n\r\n"));
}

TEST_F(LoopbackHttp, HeadersOverrideTheAutomaticOnesAndAnswersCanBreakOff)
{
    // A test can announce a length that the body does not have.
    server.Route("/liar", HttpResponse::Ok("0123456789").Header("Content-Length", "100"));
    EXPECT_EQ("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 100\r\n\r\n0123456789",
              RawExchange(server.Port(), "GET /liar HTTP/1.1\r\n\r\n"));

    server.Route("/cut", HttpResponse::Pattern(100000).CloseAfter(5000));
    std::string cut = RawExchange(server.Port(), "GET /cut HTTP/1.1\r\n\r\n");
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(head, cut.substr(0, head.size()));
    EXPECT_TRUE(SameBytes(PatternBytes(0, 5000), cut.substr(head.size())));

    // Chunked and cut: whole chunks up to the cut, no last chunk.
    server.Route("/cut-chunked", HttpResponse::Ok("abcdefgh").Chunked(3).CloseAfter(5));
    EXPECT_EQ("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n3\r\nabc\r\n2\r\nde\r\n",
              RawExchange(server.Port(), "GET /cut-chunked HTTP/1.1\r\n\r\n"));

    // What WinINet makes of a body shorter than announced.
    FetchResult r = Fetch(server.Url("/cut"));
    ASSERT_TRUE(r.sent);
    EXPECT_EQ("100000", r.contentLength);
    EXPECT_TRUE(SameBytes(PatternBytes(0, 5000), r.body));
    printf("WinINet on a body cut after 5000 of 100000 bytes: %s, error %lu\n",
           r.readComplete ? "reads end with 0 bytes (no error)" : "a read fails",
           static_cast<unsigned long>(r.error));
}

TEST_F(LoopbackHttp, PostBodiesAreRecordedByteForByte)
{
    server.Route("/upload/put", HttpResponse::Ok("stored"));

    // A multipart upload in pieces, as the customer-data upload sends it:
    // LF-only lines, a binary file with NUL bytes, the length given up front.
    const std::string boundary = "---------------------------119281817426312";
    std::string file = PatternBytes(0, 1000);
    std::string prefix = "--" + boundary + "\n" + "Content-Disposition: form-data; name=\"File\"; filename=\"crm.zip\"\n" +
                         "Content-Type: application/octet-stream\n" + "Content-Length: 1000\n" + "\n\n";
    std::string trailer = "\n\n--" + boundary + "--\n";
    ASSERT_EQ(171u, prefix.size());
    std::string body = prefix + file + trailer;
    ASSERT_EQ(1220u, body.size());

    FetchOptions upload;
    upload.method = L"POST";
    upload.headers = L"Content-Type: multipart/form-data; boundary=" + std::wstring(boundary.begin(), boundary.end()) +
                     L"\r\nContent-Length: 1220\r\n";
    upload.pieces = {prefix, file.substr(0, 600), file.substr(600), trailer};
    FetchResult r = Fetch(server.Url("/upload/put"), upload);
    ASSERT_TRUE(r.sent) << r.error;
    EXPECT_EQ("stored", r.body);

    ASSERT_EQ(1u, server.RequestCount());
    HttpRequest q = server.Requests()[0];
    EXPECT_EQ("POST", q.method);
    EXPECT_EQ("/upload/put", q.target);
    EXPECT_EQ("1220", q.Header("Content-Length"));
    EXPECT_EQ("multipart/form-data; boundary=" + boundary, q.Header("Content-Type"));
    EXPECT_TRUE(q.complete);
    EXPECT_TRUE(SameBytes(body, q.body));

    // The same with one HttpSendRequest carrying the body.
    FetchOptions form;
    form.method = L"POST";
    form.body = std::string("a=1&b=\0\xff", 8);
    ASSERT_TRUE(Fetch(server.Url("/upload/put?one=shot"), form).sent);
    ASSERT_TRUE(server.WaitForRequests(2));
    q = server.Requests()[1];
    EXPECT_EQ("/upload/put?one=shot", q.target);
    EXPECT_EQ("8", q.Header("Content-Length"));
    EXPECT_TRUE(SameBytes(form.body, q.body));
}

TEST_F(LoopbackHttp, RawRequestsAreRecordedExactly)
{
    const std::string request = "GET /a%2Fb?x=1&y=%41 HTTP/1.1\r\nHost: h\r\nX-Test:  v \r\nx-test: second\r\n\r\n";
    std::string answer = RawExchange(server.Port(), request);
    EXPECT_EQ(0u, answer.find("HTTP/1.1 404 Not Found\r\n"));
    ASSERT_EQ(1u, server.RequestCount());
    HttpRequest q = server.Requests()[0];
    EXPECT_EQ(request, q.head);
    EXPECT_EQ("/a%2Fb?x=1&y=%41", q.target);
    EXPECT_EQ("/a%2Fb", q.path);
    ASSERT_EQ(3u, q.headers.size());
    EXPECT_EQ("X-Test", q.headers[1].name);
    EXPECT_EQ("v", q.Header("X-TEST"));
    EXPECT_EQ("x-test", q.headers[2].name);
    EXPECT_EQ("second", q.headers[2].value);
    EXPECT_FALSE(q.HasHeader("Content-Length"));
}

TEST_F(LoopbackHttp, ChunkedIncompleteAndMalformedRequests)
{
    RawExchange(server.Port(), "POST /c HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "4\r\nWiki\r\n5;ext=1\r\npedia\r\n0\r\nX-Trailer: 1\r\n\r\n");
    // The client gives up after 3 of 100 bytes: recorded as incomplete, no answer.
    std::string cut = RawExchange(server.Port(), "POST /p HTTP/1.1\r\nContent-Length: 100\r\n\r\nabc", true);
    EXPECT_EQ("", cut);
    // Not HTTP at all: 400 and nothing recorded.
    std::string bad = RawExchange(server.Port(), "NONSENSE\r\n\r\n");
    EXPECT_EQ(0u, bad.find("HTTP/1.1 400 Bad Request\r\n"));

    std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("Wikipedia", requests[0].body);
    EXPECT_TRUE(requests[0].complete);
    EXPECT_EQ("abc", requests[1].body);
    EXPECT_FALSE(requests[1].complete);
}

TEST_F(LoopbackHttp, LargeGeneratedBodies)
{
    // Not periodic at 64 KiB: a repeated or lost block would show.
    EXPECT_NE(PatternBytes(0, 65536), PatternBytes(65536, 65536));
    const std::uint64_t size = 3 * 65536 + 17;
    server.Route("/setup.exe", HttpResponse::Pattern(size));
    server.Route("/setup-chunked.exe", HttpResponse::Pattern(size).Chunked(8000));
    for (const char* path : {"/setup.exe", "/setup-chunked.exe"}) {
        FetchResult r = Fetch(server.Url(path));
        ASSERT_TRUE(r.sent) << path;
        EXPECT_TRUE(SameBytes(PatternBytes(0, size), r.body)) << path;
    }

    // CheckPatternFile finds a good file good, and a changed or short one not.
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"zvp", 0, path);
    auto write = [&](const std::string& bytes) {
        HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    };
    std::string good = PatternBytes(0, size);
    write(good);
    EXPECT_EQ("", zvtest::CheckPatternFile(path, size));
    std::string changed = good;
    changed[70000] ^= 1;
    write(changed);
    EXPECT_EQ("byte 70000 differs", zvtest::CheckPatternFile(path, size));
    write(good.substr(0, 1000));
    EXPECT_EQ("file has 1000 bytes, expected " + std::to_string(size), zvtest::CheckPatternFile(path, size));
    DeleteFileW(path);
}

TEST_F(LoopbackHttp, StalledAnswerGoesOnWhenReleased)
{
    server.Route("/big", HttpResponse::Pattern(200000).StallAfter(70000));
    FetchResult r;
    HANDLE client = zvtest::StartThread([&] { r = Fetch(server.Url("/big")); });
    ASSERT_NE(nullptr, client);
    ASSERT_TRUE(server.WaitForStall(10000));
    // The client cannot finish while the server holds back the rest.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(client, 300));
    server.ReleaseStalls();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client, 20000));
    CloseHandle(client);
    EXPECT_TRUE(SameBytes(PatternBytes(0, 200000), r.body));
    EXPECT_TRUE(r.readComplete);
}

TEST_F(LoopbackHttp, AnswersAreServedConcurrently)
{
    // Every answer stalls at once; all eight requests still arrive.
    server.Route("/n", HttpResponse::Ok("x").StallAfter(0));
    std::vector<HANDLE> clients;
    std::vector<FetchResult> results(8);
    for (int i = 0; i < 8; ++i)
        clients.push_back(zvtest::StartThread([&, i] { results[i] = Fetch(server.Url("/n?i=" + std::to_string(i))); }));
    EXPECT_TRUE(server.WaitForRequests(8, 20000));
    server.ReleaseStalls();
    for (HANDLE c : clients) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(c, 20000));
        CloseHandle(c);
    }
    for (const FetchResult& r : results)
        EXPECT_EQ("x", r.body);
}

TEST_F(LoopbackHttp, DelayHoldsBackTheStatusLine)
{
    server.Route("/slow", HttpResponse::Ok("late").Delay(400));
    ULONGLONG start = GetTickCount64();
    FetchResult r = Fetch(server.Url("/slow"));
    EXPECT_GE(GetTickCount64() - start, 350u);
    EXPECT_EQ("late", r.body);
}

TEST(LoopbackHttpServerLifetime, StopsPromptlyWithStalledAndIdleConnections)
{
    auto server = std::make_unique<LoopbackHttpServer>();
    ASSERT_TRUE(server->IsRunning()) << server->Error();
    unsigned short port = server->Port();
    server->Route("/stall", HttpResponse::Pattern(100000).StallAfter(1000));
    FetchResult r;
    std::wstring url = server->Url("/stall");
    HANDLE client = zvtest::StartThread([&] { r = Fetch(url); });
    // A second client that connects and never sends a byte.
    HANDLE idle = zvtest::StartThread([port] { RawExchange(port, std::string()); });
    ASSERT_TRUE(server->WaitForStall(10000));

    ULONGLONG start = GetTickCount64();
    server.reset();
    EXPECT_LT(GetTickCount64() - start, 3000u);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client, 10000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(idle, 15000));
    CloseHandle(client);
    CloseHandle(idle);
    // The client got what was sent before the stall, and the port is closed.
    EXPECT_TRUE(SameBytes(PatternBytes(0, 1000), r.body));
    EXPECT_FALSE(zvtest::CanConnect(port));
}

TEST(LoopbackHttpServerLifetime, FixedPort)
{
    unsigned short port;
    {
        LoopbackHttpServer first;
        ASSERT_TRUE(first.IsRunning()) << first.Error();
        port = first.Port();
        EXPECT_EQ(404u, Fetch(first.Url("/")).status);
    }
    // The port is free again at once (after a served connection too).
    LoopbackHttpServer again(LoopbackHttpServer::Tls::None, port);
    ASSERT_TRUE(again.IsRunning()) << again.Error();
    EXPECT_EQ(port, again.Port());
    again.Route("/", HttpResponse::Ok("here"));
    EXPECT_EQ("here", Fetch(again.Url("/")).body);

    // A port in use is an error, not a silent second listener.
    LoopbackHttpServer clash(LoopbackHttpServer::Tls::None, port);
    EXPECT_FALSE(clash.IsRunning());
    EXPECT_NE("", clash.Error());
    EXPECT_EQ(0, clash.Port());
}

} // namespace
