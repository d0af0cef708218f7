// The HTTPS variants of the loopback server against WinINet: the trusted
// certificate is accepted once the test root is installed, the others are
// refused for the reason they were made for.
#include "WinInetClient.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/Threads.h"

#include <wininet.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using zvtest::Fetch;
using zvtest::FetchOptions;
using zvtest::FetchResult;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using Tls = zvtest::LoopbackHttpServer::Tls;

class Https : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }
};

TEST_F(Https, TrustedCertificateServesRoutesAndRecordsRequests)
{
    LoopbackHttpServer server(Tls::Trusted);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    EXPECT_TRUE(server.IsTls());
    EXPECT_EQ(L"https://127.0.0.1:" + std::to_wstring(server.Port()) + L"/x", server.Url("/x"));
    server.Route("/update", HttpResponse::Ok("<secure/>"));
    server.Route("/big", HttpResponse::Pattern(1000000).Chunked(30000));
    server.Route("/raw", HttpResponse::Ok("until close").CloseDelimited());

    FetchResult r = Fetch(server.Url("/update?serial=ABC-123"));
    ASSERT_TRUE(r.sent) << "WinINet error " << r.error;
    EXPECT_EQ(200u, r.status);
    EXPECT_EQ("<secure/>", r.body);
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ("/update?serial=ABC-123", server.Requests()[0].target);

    // The certificate names localhost as well.
    FetchResult byName = Fetch(server.Url("/update", "localhost"));
    ASSERT_TRUE(byName.sent) << "WinINet error " << byName.error;
    EXPECT_EQ("<secure/>", byName.body);

    // Large and close-delimited bodies pass the TLS front unchanged.
    FetchResult big = Fetch(server.Url("/big"));
    ASSERT_TRUE(big.sent) << big.error;
    EXPECT_EQ("chunked", big.transferEncoding);
    EXPECT_TRUE(big.body == zvtest::PatternBytes(0, 1000000)) << big.body.size() << " bytes";
    FetchResult raw = Fetch(server.Url("/raw"));
    EXPECT_EQ("until close", raw.body);
    EXPECT_TRUE(raw.readComplete);

    FetchOptions post;
    post.method = L"POST";
    post.body = std::string("secret\0body\n", 12);
    ASSERT_TRUE(Fetch(server.Url("/update"), post).sent);
    ASSERT_TRUE(server.WaitForRequests(5));
    EXPECT_EQ(post.body, server.Requests()[4].body);
}

TEST_F(Https, UntrustedRootIsRefused)
{
    LoopbackHttpServer server(Tls::UntrustedRoot);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    server.Route("/update", HttpResponse::Ok("untrusted"));
    FetchResult r = Fetch(server.Url("/update"));
    EXPECT_FALSE(r.sent);
    EXPECT_EQ("", r.body);
    // Windows: ERROR_INTERNET_INVALID_CA (12045). Measured on Wine 8:
    // ERROR_INTERNET_SEC_CERT_REV_FAILED (12057) for the same chain.
    EXPECT_TRUE(r.error == ERROR_INTERNET_INVALID_CA || r.error == ERROR_INTERNET_SEC_CERT_REV_FAILED)
        << "WinINet error " << r.error;
    if (r.error == ERROR_INTERNET_SEC_CERT_REV_FAILED)
        printf("NOTE (Wine difference): an untrusted root fails with ERROR_INTERNET_SEC_CERT_REV_FAILED (12057), "
               "Windows reports ERROR_INTERNET_INVALID_CA (12045)\n");
    // The handshake failed, so no request reached the server.
    EXPECT_EQ(0u, server.RequestCount());

    // Wine checks revocation first (our test chains name no revocation
    // source); with that check off it reports the untrusted root like Windows.
    FetchOptions noRevocation;
    noRevocation.securityFlags = SECURITY_FLAG_IGNORE_REVOCATION;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_INVALID_CA), Fetch(server.Url("/update"), noRevocation).error);
    // Only the root is wrong: told to ignore it too, WinINet gets through.
    FetchOptions ignoreRoot;
    ignoreRoot.securityFlags = SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    FetchResult ignored = Fetch(server.Url("/update"), ignoreRoot);
    ASSERT_TRUE(ignored.sent) << "WinINet error " << ignored.error;
    EXPECT_EQ("untrusted", ignored.body);
    EXPECT_EQ(1u, server.RequestCount());
}

TEST_F(Https, WrongHostNameIsRefused)
{
    LoopbackHttpServer server(Tls::WrongHost);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    server.Route("/update", HttpResponse::Ok("name ignored"));
    FetchResult r = Fetch(server.Url("/update"));
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID), r.error);
    EXPECT_EQ(0u, server.RequestCount());

    // Only the name is wrong: told to ignore it, WinINet accepts the certificate.
    FetchOptions ignoreName;
    ignoreName.flags = INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
    FetchResult ignored = Fetch(server.Url("/update"), ignoreName);
    ASSERT_TRUE(ignored.sent) << "WinINet error " << ignored.error;
    EXPECT_EQ("name ignored", ignored.body);
}

TEST_F(Https, TlsFrontStopsWithTheServer)
{
    // Even with a download stalled in the middle.
    auto server = std::make_unique<LoopbackHttpServer>(Tls::Trusted);
    ASSERT_TRUE(server->IsRunning()) << server->Error();
    unsigned short port = server->Port();
    server->Route("/stall", HttpResponse::Pattern(100000).StallAfter(1000));
    std::wstring url = server->Url("/stall");
    FetchResult r;
    HANDLE client = zvtest::StartThread([&] { r = Fetch(url); });
    ASSERT_TRUE(server->WaitForStall(10000));
    ULONGLONG start = GetTickCount64();
    server.reset();
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client, 10000));
    CloseHandle(client);
    EXPECT_EQ(zvtest::PatternBytes(0, 1000), r.body);
    EXPECT_FALSE(zvtest::CanConnect(port));

    // Several HTTPS servers side by side, each with its own front.
    LoopbackHttpServer a(Tls::Trusted), b(Tls::Trusted);
    ASSERT_TRUE(a.IsRunning() && b.IsRunning()) << a.Error() << b.Error();
    EXPECT_NE(a.Port(), b.Port());
    a.Route("/", HttpResponse::Ok("a"));
    b.Route("/", HttpResponse::Ok("b"));
    EXPECT_EQ("a", Fetch(a.Url("/")).body);
    EXPECT_EQ("b", Fetch(b.Url("/")).body);
}

} // namespace
