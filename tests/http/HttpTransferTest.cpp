// CZorvaHttpTransfer against a real HTTP server on 127.0.0.1: which answers
// count and which bodies reach the target file, and that one client serves
// one request after another. Actions 3 and 4 (tests/online) cover framing,
// blocks, progress, cancel, stalls and limits through DoAction.
#include "http/ZorvaHttpTransfer.h"

#include "support/Files.h"
#include "support/LoopbackHttpServer.h"

#include <gtest/gtest.h>

using zvtest::HttpResponse;

namespace {

struct StatusCase {
    int status;
    bool keepAnswer;
    int result;       // RequestUrl
    bool bodyWritten; // the answer's body is in the target file
};

TEST(HttpTransfer, StatusesDecideSuccessAndWhichBodiesAreKept)
{
    zvtest::LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    zvtest::TempFolder folder;
    const StatusCase cases[] = {{200, false, 1, true}, {201, false, 1, true}, {202, false, 1, true},
                                {203, false, 1, true}, {206, false, 1, true}, {204, true, 0, true},
                                {205, true, 0, true}, {404, true, 0, false}, {500, true, 0, true},
                                {500, false, 0, false}, {302, true, 0, true}};
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + (c.keepAnswer ? " keep" : " drop"));
        const std::string body = c.status == 204 || c.status == 205 ? "" : "answer " + std::to_string(c.status);
        server.Route("/x", HttpResponse::WithStatus(c.status, "Some", body));
        const std::wstring target = folder.Path(L"x" + std::to_wstring(c.status) + (c.keepAnswer ? L"k" : L"d"));
        CZorvaHttpTransfer transfer;
        transfer.SetKeepAnswer(c.keepAnswer);
        EXPECT_EQ(c.result, transfer.RequestUrl(server.Url("/x").c_str(), target.c_str()));
        EXPECT_EQ(c.status, transfer.GetStatusCode());
        EXPECT_EQ(c.bodyWritten, zvtest::FileExists(target));
        EXPECT_EQ(c.bodyWritten ? body : "", zvtest::ReadFileBytes(target));
        // Only an accepted answer's length is taken.
        EXPECT_EQ(c.result == 1 ? static_cast<long long>(body.size()) : 0, transfer.GetContentLength());
    }
}

TEST(HttpTransfer, OneClientServesRequestsOneAfterAnother)
{
    zvtest::LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    zvtest::TempFolder folder;
    server.Route("/chunked", HttpResponse::Pattern(200000).Chunked(1000));
    server.Route("/close", HttpResponse::Pattern(100000).CloseDelimited());
    server.Route("/cut", HttpResponse::Pattern(300000).CloseAfter(100000));
    CZorvaHttpTransfer transfer;
    ASSERT_EQ(1, transfer.RequestUrl(server.Url("/chunked").c_str(), folder.Path(L"a").c_str()));
    EXPECT_TRUE(transfer.HasContentLength());
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.Path(L"a"), 200000));
    // Nothing of the chunked answer stays: this one announces no length.
    ASSERT_EQ(1, transfer.RequestUrl(server.Url("/close").c_str(), folder.Path(L"b").c_str()));
    EXPECT_FALSE(transfer.HasContentLength());
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.Path(L"b"), 100000));
    // Cut short of its announced length: a failure that keeps what arrived.
    EXPECT_EQ(0, transfer.RequestUrl(server.Url("/cut").c_str(), folder.Path(L"c").c_str()));
    EXPECT_EQ(CZorvaHttpTransfer::EFailure::Read, transfer.GetFailure());
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.Path(L"c"), 100000));
    // An address that cannot be split, an over-long component, a file that
    // cannot be created: failures before or without a body.
    EXPECT_EQ(0, transfer.RequestUrl(L"not a url", folder.Path(L"d").c_str()));
    EXPECT_EQ(0, transfer.RequestUrl(server.Url("/chunked?q=" + std::string(260, 'a')).c_str(), folder.Path(L"d").c_str()));
    EXPECT_EQ(0, transfer.RequestUrl(server.Url("/chunked").c_str(), folder.Path(L"no folder\\d").c_str()));
    EXPECT_EQ(CZorvaHttpTransfer::EFailure::File, transfer.GetFailure());
    EXPECT_FALSE(zvtest::FileExists(folder.Path(L"d")));
    EXPECT_EQ(4u, server.RequestCount());
}

} // namespace
