// Action 2, the customer-data upload, through the DLL as a host calls it:
// the redirect document, the multipart POST byte for byte on the wire, the
// file's fate and the log line of each failure. The upload goes to port 80,
// so the servers here listen on 127.0.0.1:80 (the test is declared PORT_80).
#include "ZvOSAL/ZvString.h"
#include "ZvUpdatePolicy.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

const char kDelimiter[] = "-----------------------------119281817426312";
const wchar_t kRedirectLine[] = L"Redirect found and parsed: server=127.0.0.1, URL=/upload/put";

std::string Body(const std::string& content)
{
    return std::string(kDelimiter) + "\nContent-Disposition: form-data; name=\"File\"; filename=\"crm.zip\"\n"
                                     "Content-Type: application/octet-stream\nContent-Length: " +
           std::to_string(content.size()) + "\n\n\n" + content + "\n\n" + kDelimiter + "--\n";
}

std::vector<HttpRequest> Posts(const LoopbackHttpServer& server)
{
    std::vector<HttpRequest> posts;
    for (const HttpRequest& request : server.Requests())
        if (request.method == "POST")
            posts.push_back(request);
    return posts;
}

class CRMUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.crmRedirectURL = server.Url("/redirect");
        host.settings.crmUploadFile = folder.Path(L"crm.zip");
        server.Route("/upload/put", HttpResponse::Ok("thanks"));
    }
    void Redirect(const std::string& document) { server.Route("/redirect", HttpResponse::Ok(document)); }
    std::wstring File() const { return *host.settings.crmUploadFile; }

    LoopbackHttpServer server{LoopbackHttpServer::Tls::None, 80};
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
};

TEST_F(CRMUpload, TheFileGoesOutByteForByteAndIsDeleted)
{
    std::string thousand;
    for (int i = 0; i < 1000; ++i)
        thousand.push_back(static_cast<char>((i * 7 + 3) & 0xFF)); // NUL, CR and LF bytes among them
    Redirect("http://127.0.0.1/upload/put");
    for (const std::string& content : {thousand, std::string(), zvtest::PatternBytes(0, 2501)}) {
        SCOPED_TRACE(content.size());
        host.ClearCalls();
        server.ClearRequests();
        ASSERT_TRUE(zvtest::WriteFileBytes(File(), content));
        EXPECT_EQ(1, DoAction(&host, 2));
        const std::vector<HttpRequest> posts = Posts(server);
        ASSERT_EQ(1u, posts.size());
        const HttpRequest& post = posts[0];
        EXPECT_EQ("/upload/put", post.target);
        EXPECT_EQ("multipart/form-data; boundary=---------------------------119281817426312", post.Header("Content-Type"));
        EXPECT_EQ(std::to_string(Body(content).size()), post.Header("Content-Length"));
        EXPECT_TRUE(post.complete && post.body == Body(content)) << "body differs from the documented bytes";
        EXPECT_EQ("ZvAutoUpdate", post.Header("User-Agent"));
        EXPECT_EQ("127.0.0.1", post.Header("Host"));
        EXPECT_FALSE(zvtest::FileExists(File()));
        EXPECT_EQ(std::vector<std::wstring>{kRedirectLine}, host.LogLines());
        EXPECT_EQ(2u, host.CountOf("GetCRMDataFile"));
    }
}

TEST_F(CRMUpload, EachWayItCanGo)
{
    struct {
        const char* name;
        std::wstring redirectUrl; // empty: the server's
        std::string document;
        bool fileThere;
        int result;
        std::vector<std::wstring> lines; // a line ending in a blank matches by its start
        bool kept;
        size_t posts;
    } cases[] = {
        {"error status still counts", L"", "http://127.0.0.1/error", true, 1,
         {L"Redirect found and parsed: server=127.0.0.1, URL=/error"}, false, 1},
        {"line break belongs to the path", L"", "http://127.0.0.1/upload/put\r\n", true, 1,
         {std::wstring(kRedirectLine) + L"\r\n"}, false, 1},
        {"document ends at its first NUL", L"", std::string("http://127.0.0.1/upload/put\0/x", 30), true, 1,
         {kRedirectLine}, false, 1},
        {"no file", L"", "http://127.0.0.1/upload/put", false, 2, {kRedirectLine}, false, 0},
        {"redirect unreachable", L"http://127.0.0.1:9/redirect", "", true, 2, {L"Unable to redirect path"}, true, 0},
        {"redirect address malformed", L"not an address", "", true, 2, {L"Unable to redirect path"}, true, 0},
        {"no slash after the server", L"", "http://127.0.0.1", true, 2, {L"Unable to get Http Connection"}, true, 0},
        {"https cut at index 7", L"", "https://127.0.0.1/upload/put", true, 2,
         {L"Redirect found and parsed: server=/127.0.0.1, URL=/upload/put", L"CRM-Upload Error: "}, true, 0},
    };
    server.Route("/error", HttpResponse::WithStatus(500, "Internal Server Error", "no"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCalls();
        server.ClearRequests();
        host.settings.crmRedirectURL = c.redirectUrl.empty() ? server.Url("/redirect") : c.redirectUrl;
        Redirect(c.document);
        DeleteFileW(File().c_str());
        if (c.fileThere)
            ASSERT_TRUE(zvtest::WriteFileBytes(File(), "abc"));
        EXPECT_EQ(c.result, DoAction(&host, 2));
        const std::vector<std::wstring> lines = host.LogLines();
        ASSERT_EQ(c.lines.size(), lines.size());
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(c.lines[i], c.lines[i].back() == L' ' ? lines[i].substr(0, c.lines[i].size()) : lines[i]);
        EXPECT_EQ(c.kept, zvtest::FileExists(File()));
        EXPECT_EQ(c.posts, Posts(server).size());
    }
    // One read of at most 4096 bytes is parsed: the path is cut there.
    host.ClearCalls();
    Redirect("http://127.0.0.1/upload/" + std::string(5000, 'a'));
    DoAction(&host, 2);
    EXPECT_EQ(L"Redirect found and parsed: server=127.0.0.1, URL=/upload/" + std::wstring(4096 - 24, L'a'),
              host.LogLines().at(0));
    // No file named: 11, and nothing goes out.
    host.ClearCalls();
    const size_t connections = server.ConnectionCount();
    host.settings.crmUploadFile.reset();
    EXPECT_EQ(11, DoAction(&host, 2));
    EXPECT_EQ(connections, server.ConnectionCount());
    EXPECT_EQ(0u, host.CountOf("GetCRMRedirectURL"));
}

// Redirect documents made of random bytes: whatever they hold, the upload
// ends with 1 or 2, never hangs, and keeps its rules: the logged server and
// path are the document's text from index 7 on; a file that went out whole
// is gone, one that did not is kept.
TEST_F(CRMUpload, RandomRedirectDocuments)
{
    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    const char* servers[] = {"127.0.0.1", "", "/127.0.0.1", "127.0.0.1:80"};
    const char pathBytes[] = "abcXYZ019/._-~?#%&= \r\n\t\x80\xe9\xff";
    int uploaded = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        std::string document;
        for (int i = 0; i < 7; ++i)
            document.push_back("htps:xy"[random() % 7]);
        document += servers[random() % 4];
        if (random() % 4 != 0) {
            document += random() % 2 ? "/upload/put" : "/";
            for (int i = static_cast<int>(random() % 12); i > 0; --i)
                document.push_back(pathBytes[random() % (sizeof pathBytes - 1)]);
            if (random() % 8 == 0)
                document.push_back('\0');
        }
        Redirect(document);
        host.ClearCalls();
        server.ClearRequests();
        const std::string content = "round " + std::to_string(round);
        ASSERT_TRUE(zvtest::WriteFileBytes(File(), content));
        const int result = DoAction(&host, 2);
        ASSERT_TRUE(result == 1 || result == 2) << result;
        const std::vector<std::wstring> lines = host.LogLines();
        ASSERT_FALSE(lines.empty());
        const std::wstring prefix = L"Redirect found and parsed: server=";
        if (lines[0].compare(0, prefix.size(), prefix) == 0) {
            const std::wstring logged = lines[0].substr(prefix.size());
            const size_t comma = logged.find(L", URL=/");
            ASSERT_NE(std::wstring::npos, comma);
            const std::wstring text(ZvOSAL::ZvString(document.c_str(), ZvOSAL::ZvCodepageAnsi).c_str());
            EXPECT_EQ(text.substr(7), logged.substr(0, comma) + logged.substr(comma + 6));
            EXPECT_EQ(std::wstring::npos, logged.substr(1, comma - 1).find(L'/'));
        } else {
            EXPECT_EQ(L"Unable to get Http Connection", lines[0]);
        }
        if (result == 1) {
            ++uploaded;
            EXPECT_FALSE(zvtest::FileExists(File()));
            ASSERT_EQ(1u, Posts(server).size());
            EXPECT_EQ(Body(content), Posts(server)[0].body);
        } else if (zvtest::FileExists(File())) {
            for (const HttpRequest& post : Posts(server))
                EXPECT_FALSE(post.complete && post.body == Body(content));
        }
    }
    EXPECT_GT(uploaded, 0);
    EXPECT_LT(uploaded, 30);
}

// Under an HTTPS-only policy the document must name an https server, and
// the POST goes there over TLS.
TEST(CRMUploadPolicy, OverHttpsToTheServerTheDocumentNames)
{
    ASSERT_TRUE(zvtest::InstallTestRootCA());
    LoopbackHttpServer secure(LoopbackHttpServer::Tls::Trusted);
    ASSERT_TRUE(secure.IsRunning()) << secure.Error();
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.crmRedirectURL = secure.Url("/redirect");
    host.settings.crmUploadFile = folder.Path(L"crm.zip");
    ZvUpdatePolicy policy = {};
    policy.size = sizeof policy;
    policy.flags = ZVAU_POLICY_REQUIRE_HTTPS;
    secure.Route("/upload/put", HttpResponse::Ok());
    for (bool https : {false, true}) {
        secure.Route("/redirect", HttpResponse::Ok(zvtest::Narrow(https ? secure.Url("/upload/put")
                                                                         : L"http://127.0.0.1/upload/put")));
        ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));
        EXPECT_EQ(https ? 1 : 2, DoActionWithPolicy(&host, 2, &policy));
        EXPECT_EQ(https, Posts(secure).size() == 1 && Posts(secure)[0].body == Body("abc"));
        EXPECT_EQ(!https, zvtest::FileExists(*host.settings.crmUploadFile));
    }
    EXPECT_EQ(L"Update policy ZVAU_POLICY_REQUIRE_HTTPS: the customer-data server is not an HTTPS address.",
              host.LogLines().at(0));
    host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
    EXPECT_EQ(2, DoActionWithPolicy(&host, 2, &policy));
}

// The upload server cannot be reached (nothing listens on port 80): the start
// fails, the file stays and the error is logged.
TEST(CRMUploadBrokenServer, Down)
{
    LoopbackHttpServer redirect;
    ASSERT_TRUE(redirect.IsRunning()) << redirect.Error();
    redirect.Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.crmRedirectURL = redirect.Url("/redirect");
    host.settings.crmUploadFile = folder.Path(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, std::string(1000, 'x')));
    EXPECT_EQ(2, DoAction(&host, 2));
    EXPECT_TRUE(zvtest::FileExists(*host.settings.crmUploadFile));
    const std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kRedirectLine, lines[0]);
    EXPECT_EQ(0u, lines[1].find(L"CRM-Upload Error: ")) << zvtest::Narrow(lines[1]);
    EXPECT_GT(lines[1].size(), 18u);
    EXPECT_LE(lines[1].size(), 18u + 255u);
}

} // namespace
