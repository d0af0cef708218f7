// CZorvaHttpTransfer against a real HTTP(S) server on 127.0.0.1: statuses,
// framing, streaming into the target file, observer calls and cancel.
#include "http/ZorvaHttpTransfer.h"

#include "http/TestFiles.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using zvtest::RecordingHost;
using zvtest::TempFolder;

namespace {

class HttpTransfer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.IsRunning()) << server.Error(); }

    // One request through a fresh client, as every caller makes it.
    int Fetch(const std::string& path, const std::wstring& target, bool keepAnswer = true,
              RecordingHost* observer = nullptr)
    {
        CZorvaHttpTransfer transfer;
        transfer.m_keepAnswer = keepAnswer ? TRUE : FALSE;
        transfer.SetObserver(observer);
        int result = transfer.RequestUrl(server.Url(path).c_str(), target.c_str());
        status = transfer.GetStatusCode();
        contentLength = transfer.GetContentLength();
        hasContentLength = transfer.HasContentLength();
        return result;
    }

    LoopbackHttpServer server;
    TempFolder folder;
    int status = 0;
    long long contentLength = -1;
    bool hasContentLength = false;
};

TEST_F(HttpTransfer, AcceptedStatusesWriteTheBodyAndSucceed)
{
    for (int code : {200, 201, 202, 203, 206}) {
        SCOPED_TRACE(code);
        std::string body = "answer " + std::to_string(code);
        server.Route("/ok", HttpResponse::WithStatus(code, "Fine", body));
        std::wstring target = folder.File(L"ok" + std::to_wstring(code) + L".dat");
        EXPECT_EQ(1, Fetch("/ok", target));
        EXPECT_EQ(code, status);
        EXPECT_EQ(body, zvtest::ReadFileBytes(target));
        EXPECT_EQ(static_cast<long long>(body.size()), contentLength);
    }
}

TEST_F(HttpTransfer, NoContentAndResetContentFail)
{
    for (int code : {204, 205}) {
        SCOPED_TRACE(code);
        server.Route("/empty", HttpResponse::WithStatus(code, "Nothing"));
        std::wstring target = folder.File(L"empty" + std::to_wstring(code) + L".dat");
        EXPECT_EQ(0, Fetch("/empty", target));
        EXPECT_EQ(code, status);
        // Not an accepted status: no length is taken from the answer.
        EXPECT_EQ(0, contentLength);
    }
}

TEST_F(HttpTransfer, NotFoundNeverWritesTheTarget)
{
    server.Route("/missing", HttpResponse::WithStatus(404, "Not Found", "no such file here"));
    std::wstring target = folder.File(L"missing.dat");
    EXPECT_EQ(0, Fetch("/missing", target, true));
    EXPECT_EQ(404, status);
    EXPECT_FALSE(zvtest::FileExists(target));
}

TEST_F(HttpTransfer, ServerErrorBodyIsKeptOnlyWithTheKeepAnswerFlag)
{
    server.Route("/error", HttpResponse::WithStatus(500, "Internal Server Error", "database is down"));
    std::wstring kept = folder.File(L"kept.dat");
    EXPECT_EQ(0, Fetch("/error", kept, true));
    EXPECT_EQ(500, status);
    EXPECT_EQ("database is down", zvtest::ReadFileBytes(kept));

    std::wstring dropped = folder.File(L"dropped.dat");
    EXPECT_EQ(0, Fetch("/error", dropped, false));
    EXPECT_EQ(500, status);
    EXPECT_FALSE(zvtest::FileExists(dropped));
}

TEST_F(HttpTransfer, ContentLengthChunkedAndCloseDelimitedAnswers)
{
    const std::string body(100000, 'x');
    server.Route("/length", HttpResponse::Ok(body));
    server.Route("/chunked", HttpResponse::Ok(body).Chunked(1000));
    server.Route("/close", HttpResponse::Ok(body).CloseDelimited());

    std::wstring target = folder.File(L"length.dat");
    EXPECT_EQ(1, Fetch("/length", target));
    EXPECT_EQ(100000, contentLength);
    EXPECT_TRUE(hasContentLength);
    EXPECT_EQ(body, zvtest::ReadFileBytes(target));

    target = folder.File(L"chunked.dat");
    EXPECT_EQ(1, Fetch("/chunked", target));
    EXPECT_EQ(0, contentLength);
    EXPECT_TRUE(hasContentLength);
    EXPECT_EQ(body, zvtest::ReadFileBytes(target));

    // Neither a length nor chunked: the body is still written.
    target = folder.File(L"close.dat");
    EXPECT_EQ(1, Fetch("/close", target));
    EXPECT_EQ(0, contentLength);
    EXPECT_FALSE(hasContentLength);
    EXPECT_EQ(body, zvtest::ReadFileBytes(target));
}

TEST_F(HttpTransfer, StreamsInBlocksOfAtMost64KiBWithObserverCallsAfterEach)
{
    const std::uint64_t size = 5 * 65536 + 1234;
    server.Route("/big", HttpResponse::Pattern(size));
    std::wstring target = folder.File(L"big.dat");
    RecordingHost observer;
    ASSERT_EQ(1, Fetch("/big", target, true, &observer));
    EXPECT_EQ("", zvtest::CheckPatternFile(target, size));

    std::vector<std::string> operations = observer.Operations();
    ASSERT_FALSE(operations.empty());
    EXPECT_EQ("SetDownloadSize", operations.front());
    EXPECT_EQ(1u, observer.CountOf("SetDownloadSize"));
    EXPECT_EQ(std::vector<long long>{static_cast<long long>(size)}, observer.DownloadSizes());
    // After the size: progress, then the cancel poll, once per block.
    for (size_t i = 1; i < operations.size(); ++i)
        EXPECT_EQ(i % 2 == 1 ? "OnDownloadProgress" : "IsCancelRequested", operations[i]) << "call " << i;
    EXPECT_EQ(observer.CountOf("OnDownloadProgress"), observer.CountOf("IsCancelRequested"));

    std::vector<long long> progress = observer.ProgressReports();
    ASSERT_FALSE(progress.empty());
    long long previous = 0;
    for (long long bytes : progress) {
        EXPECT_GT(bytes, previous);
        EXPECT_LE(bytes - previous, 65536);
        previous = bytes;
    }
    EXPECT_EQ(static_cast<long long>(size), progress.back());
    EXPECT_GE(progress.size(), 6u);
}

TEST_F(HttpTransfer, CancelAfterTheFirstBlockLeavesExactlyThatBlock)
{
    server.Route("/big", HttpResponse::Pattern(10 * 65536));
    std::wstring target = folder.File(L"cancelled.dat");
    RecordingHost observer;
    observer.settings.cancelAfterProgressReports = 1;
    EXPECT_EQ(0, Fetch("/big", target, true, &observer));

    std::vector<long long> progress = observer.ProgressReports();
    ASSERT_EQ(1u, progress.size());
    EXPECT_EQ(65536, progress[0]);
    EXPECT_EQ(1u, observer.CountOf("IsCancelRequested"));
    EXPECT_EQ(progress[0], zvtest::FileSize(target));
    EXPECT_EQ("", zvtest::CheckPatternFile(target, 65536));
}

TEST_F(HttpTransfer, EmptyBodyGivesAnEmptyFileAndSuccess)
{
    server.Route("/nothing", HttpResponse::Ok(""));
    std::wstring target = folder.File(L"nothing.dat");
    RecordingHost observer;
    EXPECT_EQ(1, Fetch("/nothing", target, true, &observer));
    EXPECT_TRUE(zvtest::FileExists(target));
    EXPECT_EQ(0, zvtest::FileSize(target));
    EXPECT_EQ(0u, observer.CountOf("OnDownloadProgress"));
    EXPECT_EQ(std::vector<long long>{0}, observer.DownloadSizes());
}

TEST_F(HttpTransfer, AnExistingTargetIsReplacedNotOverwrittenInPlace)
{
    std::wstring target = folder.File(L"existing.dat");
    ASSERT_TRUE(zvtest::WriteFileBytes(target, std::string(50000, 'o')));
    server.Route("/short", HttpResponse::Ok("new"));
    EXPECT_EQ(1, Fetch("/short", target));
    EXPECT_EQ("new", zvtest::ReadFileBytes(target));
}

TEST_F(HttpTransfer, AnswerCutShortOfItsLengthFailsAndKeepsWhatArrived)
{
    // The server closes the connection after 100000 of 300000 announced bytes.
    server.Route("/cut", HttpResponse::Pattern(300000).CloseAfter(100000));
    std::wstring target = folder.File(L"cut.dat");
    EXPECT_EQ(0, Fetch("/cut", target));
    EXPECT_EQ(300000, contentLength);
    EXPECT_EQ("", zvtest::CheckPatternFile(target, 100000));
}

TEST_F(HttpTransfer, OverlongUrlComponentFails)
{
    server.Route("/long", HttpResponse::Ok("x"));
    EXPECT_EQ(1, Fetch("/long?q=" + std::string(240, 'a'), folder.File(L"fits.dat")));
    EXPECT_EQ(0, Fetch("/long?q=" + std::string(260, 'a'), folder.File(L"toolong.dat")));
    EXPECT_EQ(1u, server.RequestCount());
}

TEST_F(HttpTransfer, TargetThatCannotBeCreatedFails)
{
    server.Route("/x", HttpResponse::Ok("body"));
    EXPECT_EQ(0, Fetch("/x", folder.File(L"no such folder\\x.dat")));
    EXPECT_EQ(200, status);
}

TEST_F(HttpTransfer, RequestIsAGetWithTheAgentAndTheDecodedQuery)
{
    server.Route("/query", HttpResponse::Ok("q"));
    std::wstring target = folder.File(L"query.dat");
    EXPECT_EQ(1, Fetch("/query?name=%41b%20c&x=1", target));
    ASSERT_EQ(1u, server.RequestCount());
    zvtest::HttpRequest request = server.Requests().at(0);
    EXPECT_EQ("GET", request.method);
    // The split decodes percent escapes; the request object is sent as it
    // then stands (WinINet re-escapes the space only).
    EXPECT_EQ("name=Ab", request.query.substr(0, 7));
    EXPECT_EQ("ZorvaHttpClient", request.Header("User-Agent"));
    EXPECT_EQ("*/*", request.Header("Accept"));
    EXPECT_TRUE(request.body.empty());
}

TEST_F(HttpTransfer, UrlThatCannotBeSplitFailsBeforeAnyObserverCall)
{
    RecordingHost observer;
    CZorvaHttpTransfer transfer;
    transfer.SetObserver(&observer);
    EXPECT_EQ(0, transfer.RequestUrl(L"not a url", folder.File(L"a.dat").c_str()));
    EXPECT_EQ(0, transfer.RequestUrl(L"", folder.File(L"a.dat").c_str()));
    EXPECT_EQ(0, transfer.RequestUrl(nullptr, folder.File(L"a.dat").c_str()));
    EXPECT_EQ(0u, observer.CallCount());
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"a.dat")));
}

TEST(HttpTransferOffline, RefusedConnectionReportsSizeZeroOnceAndFails)
{
    TempFolder folder;
    RecordingHost observer;
    CZorvaHttpTransfer transfer;
    transfer.SetObserver(&observer);
    // Port 9 (discard) has no listener here.
    EXPECT_EQ(0, transfer.RequestUrl(L"http://127.0.0.1:9/x", folder.File(L"x.dat").c_str()));
    EXPECT_EQ(std::vector<long long>{0}, observer.DownloadSizes());
    EXPECT_EQ(1u, observer.CallCount());
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"x.dat")));
}

TEST(HttpTransferOffline, NullTargetKeepsTheDefaultFileName)
{
    CZorvaHttpTransfer transfer;
    EXPECT_EQ(std::wstring(L"ZorvaHttpTransferFile.dat"), transfer.GetTargetFileName().c_str());
    EXPECT_EQ(0, transfer.RequestUrl(L"bad", nullptr));
    EXPECT_EQ(std::wstring(L"ZorvaHttpTransferFile.dat"), transfer.GetTargetFileName().c_str());
    EXPECT_FALSE(transfer.HasContentLength());
}

// HTTPS: WinINet must check the server's certificate chain and host name.
class HttpsTransfer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }

    int FetchFrom(LoopbackHttpServer& server, const std::wstring& target)
    {
        server.Route("/secure", HttpResponse::Ok("secret installer"));
        CZorvaHttpTransfer transfer;
        return transfer.RequestUrl(server.Url("/secure").c_str(), target.c_str());
    }

    TempFolder folder;
};

TEST_F(HttpsTransfer, TrustedCertificateSucceeds)
{
    LoopbackHttpServer server(LoopbackHttpServer::Tls::Trusted);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    std::wstring target = folder.File(L"trusted.dat");
    EXPECT_EQ(1, FetchFrom(server, target));
    EXPECT_EQ("secret installer", zvtest::ReadFileBytes(target));
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ("/secure", server.Requests().at(0).target);
}

TEST_F(HttpsTransfer, CertificateFromAnUntrustedRootFails)
{
    LoopbackHttpServer server(LoopbackHttpServer::Tls::UntrustedRoot);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    std::wstring target = folder.File(L"untrusted.dat");
    EXPECT_EQ(0, FetchFrom(server, target));
    EXPECT_FALSE(zvtest::FileExists(target));
    EXPECT_EQ(0u, server.RequestCount());
}

TEST_F(HttpsTransfer, CertificateForAnotherHostFails)
{
    LoopbackHttpServer server(LoopbackHttpServer::Tls::WrongHost);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    std::wstring target = folder.File(L"wronghost.dat");
    EXPECT_EQ(0, FetchFrom(server, target));
    EXPECT_FALSE(zvtest::FileExists(target));
    EXPECT_EQ(0u, server.RequestCount());
}

} // namespace
