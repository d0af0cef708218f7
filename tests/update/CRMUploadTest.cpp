// Action 2, the customer-data upload, through the DLL as a host calls it:
// the redirect document, the multipart POST on the wire, the file's fate and
// the log lines of each failure. The upload always goes to port 80, so every
// test here runs a loopback server on 127.0.0.1:80 (the program holds the
// CTest resource lock "loopback_port_80").
#include <winsock2.h>

#include "ZvAutoUpdate.h"
#include "http/TestFiles.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

const char kDelimiter[] = "-----------------------------119281817426312";

std::string ExpectedPrefix(size_t fileLength)
{
    return std::string(kDelimiter) + "\n" +
           "Content-Disposition: form-data; name=\"File\"; filename=\"crm.zip\"\n"
           "Content-Type: application/octet-stream\n"
           "Content-Length: " + std::to_string(fileLength) + "\n" + "\n\n";
}

std::string ExpectedTrailer()
{
    return std::string("\n\n") + kDelimiter + "--\n";
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class CRMUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.crmRedirectURL = server.Url("/redirects/crm/crm.php3");
        host.settings.crmUploadFile = folder.File(L"crm.zip");
    }

    void Redirect(const std::string& document)
    {
        server.Route("/redirects/crm/crm.php3", HttpResponse::Ok(document));
    }

    // The POSTs the server saw (the redirect GETs left out).
    std::vector<HttpRequest> Posts() const
    {
        std::vector<HttpRequest> posts;
        for (const HttpRequest& request : server.Requests())
            if (request.method == "POST")
                posts.push_back(request);
        return posts;
    }

    std::wstring CrmFile() const { return *host.settings.crmUploadFile; }

    LoopbackHttpServer server{LoopbackHttpServer::Tls::None, 80};
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
};

std::string Bytes1000()
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes.push_back(static_cast<char>((i * 7 + 3) & 0xFF)); // includes NUL, CR and LF bytes
    return bytes;
}

TEST_F(CRMUpload, ThousandByteFileIsPostedByteForByteAndDeleted)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok("thanks"));
    const std::string content = Bytes1000();
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), content));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    std::vector<HttpRequest> posts = Posts();
    ASSERT_EQ(1u, posts.size());
    const HttpRequest& post = posts[0];
    EXPECT_EQ("/upload/put", post.target);
    EXPECT_TRUE(post.complete);
    EXPECT_EQ("multipart/form-data; boundary=---------------------------119281817426312",
              post.Header("Content-Type"));
    EXPECT_EQ("1220", post.Header("Content-Length"));
    EXPECT_EQ(1220u, post.body.size());
    const std::string expected = ExpectedPrefix(1000) + content + ExpectedTrailer();
    EXPECT_EQ(171u, ExpectedPrefix(1000).size());
    EXPECT_EQ(49u, ExpectedTrailer().size());
    EXPECT_TRUE(post.body == expected) << "body differs from the documented bytes";
    // One of each header, however the stack adds them.
    int contentLengths = 0;
    int contentTypes = 0;
    for (const zvtest::HttpHeader& header : post.headers) {
        contentLengths += _stricmp(header.name.c_str(), "Content-Length") == 0;
        contentTypes += _stricmp(header.name.c_str(), "Content-Type") == 0;
    }
    EXPECT_EQ(1, contentLengths);
    EXPECT_EQ(1, contentTypes);
    // The agent is the library's module name without extension.
    EXPECT_EQ("ZvAutoUpdate", post.Header("User-Agent"));
    // Port 80 without a port in the Host header.
    EXPECT_EQ("127.0.0.1", post.Header("Host"));

    EXPECT_FALSE(zvtest::FileExists(CrmFile()));
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(L"Redirect found and parsed: server=127.0.0.1, URL=/upload/put", lines[0]);
    // The host is asked for the file twice (presence, then the path) and for
    // the redirect address once.
    EXPECT_EQ(2u, host.CountOf("GetCRMDataFile"));
    EXPECT_EQ(1u, host.CountOf("GetCRMRedirectURL"));
}

TEST_F(CRMUpload, EmptyFileIsAnnouncedWithZeroLength)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok());
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), std::string()));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    std::vector<HttpRequest> posts = Posts();
    ASSERT_EQ(1u, posts.size());
    EXPECT_EQ("217", posts[0].Header("Content-Length"));
    EXPECT_TRUE(posts[0].body == ExpectedPrefix(0) + ExpectedTrailer());
    EXPECT_NE(std::string::npos, posts[0].body.find("Content-Length: 0\n\n"));
    EXPECT_FALSE(zvtest::FileExists(CrmFile()));
}

TEST_F(CRMUpload, FileSpanningSeveralBlocksArrivesWhole)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok());
    const std::string content = zvtest::PatternBytes(0, 2501); // two full blocks and a part
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), content));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    std::vector<HttpRequest> posts = Posts();
    ASSERT_EQ(1u, posts.size());
    EXPECT_EQ(std::to_string(ExpectedPrefix(2501).size() + 2501 + 49), posts[0].Header("Content-Length"));
    EXPECT_TRUE(posts[0].body == ExpectedPrefix(2501) + content + ExpectedTrailer());
}

TEST_F(CRMUpload, ServerErrorStatusStillCountsAsSent)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::WithStatus(500, "Internal Server Error", "no"));
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_EQ(1u, Posts().size());
    EXPECT_FALSE(zvtest::FileExists(CrmFile()));
}

TEST_F(CRMUpload, SecondRunWithoutFreshFileFailsWithoutSending)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok());
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));
    ASSERT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    host.ClearCalls();

    // The redirect is fetched afresh, then the missing file ends it quietly.
    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_EQ(1u, Posts().size());
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(0u, lines[0].find(L"Redirect found and parsed:"));
}

TEST_F(CRMUpload, NoFileNamedReturnsElevenWithoutNetwork)
{
    host.settings.crmUploadFile.reset();
    EXPECT_EQ(ZVAU_RESULT_NO_CRM_FILE, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_EQ(0u, server.ConnectionCount());
    EXPECT_EQ(0u, host.CountOf("GetCRMRedirectURL"));
    EXPECT_TRUE(host.LogLines().empty());
}

TEST_F(CRMUpload, PathKeepsItsTrailingLineBreak)
{
    // Nothing is trimmed: the line break belongs to the path and shows in the
    // log line. WinINet (as measured under Wine) leaves it out of the request
    // line, so the upload still arrives.
    Redirect("http://127.0.0.1/upload/put\r\n");
    server.Route("/upload/put", HttpResponse::Ok());
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    EXPECT_EQ(std::vector<std::wstring>{L"Redirect found and parsed: server=127.0.0.1, URL=/upload/put\r\n"},
              host.LogLines());
    ASSERT_EQ(1u, Posts().size());
    EXPECT_EQ("/upload/put", Posts()[0].target);
    EXPECT_FALSE(zvtest::FileExists(CrmFile()));
}

TEST_F(CRMUpload, DocumentEndsAtItsFirstNulByte)
{
    Redirect(std::string("http://127.0.0.1/upload/put\0/other", 35));
    server.Route("/upload/put", HttpResponse::Ok());
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_OK, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    ASSERT_EQ(1u, Posts().size());
    EXPECT_EQ("/upload/put", Posts()[0].target);
}

TEST_F(CRMUpload, OnlyOneReadOfAtMost4096BytesIsParsed)
{
    // The path is cut where the one read of 4096 bytes ends.
    const std::string prefix = "http://127.0.0.1/upload/";
    std::string document = prefix + std::string(5000 - prefix.size(), 'a');
    Redirect(document);
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    DoAction(&host, ZVAU_ACTION_UPLOAD_CRM);

    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_FALSE(lines.empty());
    const std::wstring expectedPath = L"/upload/" + std::wstring(4096 - prefix.size(), L'a');
    EXPECT_EQ(L"Redirect found and parsed: server=127.0.0.1, URL=" + expectedPath, lines[0]);
}

// The parsing rule as the design states it: the bytes up to the first NUL,
// in the ANSI code page; the server from index 7 up to the first "/" at or
// after index 8, the path from there to the end.
bool ModelRedirect(const std::string& bytes, std::wstring& server, std::wstring& path)
{
    const std::string text = bytes.substr(0, bytes.find('\0'));
    std::wstring wide(text.size() + 1, L'\0');
    const int length = text.empty() ? 0
                                    : MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                          &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length : 0);
    const size_t slash = wide.size() > 8 ? wide.find(L'/', 8) : std::wstring::npos;
    if (slash == std::wstring::npos)
        return false;
    server = wide.substr(7, slash - 7);
    path = wide.substr(slash);
    return true;
}

TEST_F(CRMUpload, RandomRedirectDocumentsFollowTheParsingRule)
{
    // Seeded and bounded: 30 documents made of a seven-character "scheme",
    // one of a few server names (never one that needs a name lookup) and a
    // path of random bytes with slashes, line breaks, NULs and 8-bit bytes.
    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    const char* servers[] = {"127.0.0.1", "", "/127.0.0.1", "127.0.0.1:80"};
    const char pathBytes[] = "abcXYZ019/._-~?#%&= \r\n\t\x80\xe9\xff";
    server.Route("/upload/put", HttpResponse::Ok());
    int uploaded = 0, unparsed = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        std::string document;
        for (int i = 0; i < 7; ++i)
            document.push_back("htps:xy"[random() % 7]);
        document += servers[random() % 4];
        if (random() % 4 != 0) {
            document += random() % 2 ? "/upload/put" : "/";
            const int extra = static_cast<int>(random() % 12);
            for (int i = 0; i < extra; ++i)
                document.push_back(pathBytes[random() % (sizeof pathBytes - 1)]);
            if (random() % 8 == 0)
                document.push_back('\0');
        }
        Redirect(document);
        host.ClearCalls();
        server.ClearRequests();
        const std::string content = "round " + std::to_string(round);
        ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), content));

        const int result = DoAction(&host, ZVAU_ACTION_UPLOAD_CRM);

        ASSERT_TRUE(result == ZVAU_RESULT_OK || result == ZVAU_RESULT_FAILED) << result;
        std::wstring expectedServer, expectedPath;
        const bool parsed = ModelRedirect(document, expectedServer, expectedPath);
        uploaded += result == ZVAU_RESULT_OK;
        unparsed += !parsed;
        std::vector<std::wstring> lines = host.LogLines();
        if (parsed) {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(L"Redirect found and parsed: server=" + expectedServer + L", URL=" + expectedPath, lines[0]);
        } else {
            EXPECT_EQ(std::vector<std::wstring>{L"Unable to get Http Connection"}, lines);
        }
        if (result == ZVAU_RESULT_OK) {
            // Sent whole: the file is gone and its bytes arrived.
            EXPECT_FALSE(zvtest::FileExists(CrmFile()));
            ASSERT_EQ(1u, Posts().size());
            EXPECT_TRUE(Posts()[0].body == ExpectedPrefix(content.size()) + content + ExpectedTrailer());
            EXPECT_EQ(1u, lines.size());
        } else if (zvtest::FileExists(CrmFile())) {
            // Kept: it never went out whole.
            for (const HttpRequest& post : Posts())
                EXPECT_FALSE(post.complete && post.body.find(content) != std::string::npos);
        }
    }
    // The seed reaches both ends of the rule.
    EXPECT_GT(uploaded, 0);
    EXPECT_GT(unparsed, 0);
    EXPECT_LT(uploaded, 30);
}

// ---- The failure table ------------------------------------------------------

TEST_F(CRMUpload, UnreachableRedirectKeepsTheFile)
{
    host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_EQ(std::vector<std::wstring>{L"Unable to redirect path"}, host.LogLines());
    EXPECT_TRUE(zvtest::FileExists(CrmFile()));
}

TEST_F(CRMUpload, MalformedRedirectAddressLogsRedirectFailure)
{
    host.settings.crmRedirectURL = L"not an address";
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_EQ(std::vector<std::wstring>{L"Unable to redirect path"}, host.LogLines());
    EXPECT_TRUE(zvtest::FileExists(CrmFile()));
    EXPECT_EQ(0u, server.ConnectionCount());
}

TEST_F(CRMUpload, RedirectWithoutSlashFailsAtTheConnection)
{
    Redirect("http://127.0.0.1");
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_TRUE(Posts().empty());
    EXPECT_TRUE(zvtest::FileExists(CrmFile()));
    // No redirect line; the empty server name fails the connection.
    EXPECT_EQ(std::vector<std::wstring>{L"Unable to get Http Connection"}, host.LogLines());
}

TEST_F(CRMUpload, HttpsRedirectIsCutAtIndexSevenAndFails)
{
    Redirect("https://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok());
    ASSERT_TRUE(zvtest::WriteFileBytes(CrmFile(), "abc"));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_TRUE(Posts().empty());
    EXPECT_TRUE(zvtest::FileExists(CrmFile()));
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(L"Redirect found and parsed: server=/127.0.0.1, URL=/upload/put", lines[0]);
    // The server name "/127.0.0.1" cannot be resolved when the request starts.
    EXPECT_EQ(0u, lines[1].find(L"CRM-Upload Error: ")) << Narrow(lines[1]);
    EXPECT_GT(lines[1].size(), wcslen(L"CRM-Upload Error: "));
}

TEST_F(CRMUpload, MissingFileSendsNothingAndLogsNothingMore)
{
    Redirect("http://127.0.0.1/upload/put");
    server.Route("/upload/put", HttpResponse::Ok());
    host.settings.crmUploadFile = folder.File(L"missing.zip");

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));
    EXPECT_TRUE(Posts().empty());
    EXPECT_EQ(1u, host.LogLines().size());
}

} // namespace

// The upload server cannot be reached: port 80 has no listener here (this
// test owns the port through the resource lock and starts no server).
TEST(CRMUploadUnreachable, ServerDownFailsWhenTheRequestStartsAndKeepsTheFile)
{
    LoopbackHttpServer redirectServer; // ephemeral port: only the redirect document
    ASSERT_TRUE(redirectServer.IsRunning()) << redirectServer.Error();
    redirectServer.Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.crmRedirectURL = redirectServer.Url("/redirect");
    host.settings.crmUploadFile = folder.File(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    EXPECT_TRUE(zvtest::FileExists(*host.settings.crmUploadFile));
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(L"Redirect found and parsed: server=127.0.0.1, URL=/upload/put", lines[0]);
    EXPECT_EQ(0u, lines[1].find(L"CRM-Upload Error: ")) << Narrow(lines[1]);
    EXPECT_GT(lines[1].size(), wcslen(L"CRM-Upload Error: "));
    EXPECT_LE(lines[1].size(), wcslen(L"CRM-Upload Error: ") + 255);
}

// A server that takes the request head and then resets the connection: the
// request started, so the error comes while the body is sent or the request
// ends. The file was handed over and is deleted; the upload failed.
TEST(CRMUploadReset, ErrorAfterTheStartDeletesTheFileAndFails)
{
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(listener, 4));
    std::string head;
    HANDLE resetter = zvtest::StartThread([&] {
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            head.append(buffer, got);
        }
        linger hard = {1, 0}; // close with a reset
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
        closesocket(client);
    });

    LoopbackHttpServer redirectServer;
    ASSERT_TRUE(redirectServer.IsRunning()) << redirectServer.Error();
    redirectServer.Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.crmRedirectURL = redirectServer.Url("/redirect");
    host.settings.crmUploadFile = folder.File(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, Bytes1000()));

    EXPECT_EQ(ZVAU_RESULT_FAILED, DoAction(&host, ZVAU_ACTION_UPLOAD_CRM));

    closesocket(listener);
    WaitForSingleObject(resetter, INFINITE);
    CloseHandle(resetter);
    WSACleanup();
    EXPECT_EQ(0u, head.find("POST /upload/put HTTP/1.1\r\n"));
    EXPECT_FALSE(zvtest::FileExists(*host.settings.crmUploadFile));
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(L"Redirect found and parsed: server=127.0.0.1, URL=/upload/put", lines[0]);
    EXPECT_EQ(0u, lines[1].find(L"CRM-Upload Error: ")) << Narrow(lines[1]);
}
