// Actions 3 (availability check) and 4 (download) through DoAction, as a
// host calls them, against a real update server on 127.0.0.1.
#include "ZvAutoUpdate.h"

#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

namespace {

const wchar_t kNoUrlYet[] = L"CPatchOnline::Download(): Download url isn't available - try IsAvailable().";
const wchar_t kNoUrlStill[] = L"CPatchOnline::Download(): Download url isn't still available.";
const char kQuery[] =
    "format=html&program=TestProgram&program_language=en&program_platform=win-x86&program_version=1.0.0.0";
const char kNotes[] = "<html><body><h1>2.1</h1></body></html>";

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::wstring LengthLine(size_t length)
{
    return L"CPatchOnline::IsAvailable(): Content length is available (" + std::to_wstring(length) + L").";
}

class OnlineActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
    }
    std::string Document(const std::string& version = "2.1.0.0")
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<patch url=\"" + zvtest::Narrow(server.Url("/setup.exe")) +
               "\" filesize=\"200000\" version=\"" + version + "\" pug_installer=\"7\"><![CDATA[" + kNotes +
               "]]></patch>";
    }
    std::wstring QueryLine() { return L"CPatchOnline::BuildURL(): " + server.Url("/update?") + Wide(kQuery) + L"."; }

    LoopbackHttpServer server;
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
};

TEST_F(OnlineActions, CheckReportsTheOfferedVersionAndNotes)
{
    const std::string document = Document();
    server.Route("/update", HttpResponse::Ok(document));
    EXPECT_EQ(1, DoAction(&host, 3));
    EXPECT_EQ((std::vector<std::wstring>{QueryLine(), LengthLine(document.size())}), host.LogLines());
    const std::vector<std::string> operations = host.Operations();
    EXPECT_EQ((std::vector<std::string>{"SetNewVersion", "SetReleaseNotes"}),
              std::vector<std::string>(operations.end() - 2, operations.end()));
    EXPECT_EQ(L"2.1.0.0", host.NewVersion().value_or(L""));
    EXPECT_EQ(Wide(kNotes), host.ReleaseNotes().value_or(L""));
    EXPECT_EQ(0u, host.CountOf("SetDownloadSize"));
    EXPECT_EQ(document, zvtest::ReadFileBytes(folder.Path(L"result.xml")));
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ("GET", server.Requests()[0].method);
    EXPECT_EQ(std::string("/update?") + kQuery, server.Requests()[0].target);
    EXPECT_EQ("ZorvaHttpClient", server.Requests()[0].Header("User-Agent"));
}

TEST_F(OnlineActions, AnswersThatAreNoUpdate)
{
    struct {
        const char* name;
        HttpResponse answer;
        int result;
        std::vector<std::wstring> lines; // after the query line
    } cases[] = {
        {"chunked", HttpResponse::Ok(Document()).Chunked(100), 1, {LengthLine(0)}},
        {"no length", HttpResponse::Ok(Document()).CloseDelimited(), 2,
         {L"CPatchOnline::IsAvailable(): Content length is zero!"}},
        {"not found", HttpResponse::NotFound(), 2, {}},
        {"server error", HttpResponse::WithStatus(500, "Error", Document()), 2, {}},
        {"version 0", HttpResponse::Ok(Document("0.0.0.0")), 2, {LengthLine(Document("0.0.0.0").size())}},
        {"not xml", HttpResponse::Ok("this is not xml"), 2, {LengthLine(15)}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCalls();
        DeleteFileW(folder.Path(L"result.xml").c_str());
        server.Route("/update", c.answer);
        EXPECT_EQ(c.result, DoAction(&host, 3));
        c.lines.insert(c.lines.begin(), QueryLine());
        EXPECT_EQ(c.lines, host.LogLines());
        EXPECT_EQ(c.result == 1, host.NewVersion().has_value());
        // An error answer is not kept; every other answer is stored.
        EXPECT_EQ(c.lines.size() > 1, zvtest::FileExists(folder.Path(L"result.xml")));
    }
}

// The query each configuration sends, seen in the line that logs it (the
// address has no server: nothing else happens).
TEST(OnlineQuery, ParametersInNameOrderAndTheSerialOnlyOverHttps)
{
#define ZV_QUERY L"?format=html&program=P&program_language=de-DE"
    struct {
        const wchar_t* base;
        int platform;
        bool sendSerial;
        const wchar_t* serial;
        const wchar_t* url;
        const wchar_t* refusal;
    } cases[] = {
        {L"http://127.0.0.1:9/u", 2, false, L"S", L"http://127.0.0.1:9/u" ZV_QUERY L"&program_platform=win-x64&program_version=1.0", nullptr},
        {L"http://127.0.0.1:9/u", 0, false, nullptr, L"http://127.0.0.1:9/u" ZV_QUERY L"&program_version=1.0", nullptr},
        {L"http://127.0.0.1:9/u", 3, false, nullptr, L"http://127.0.0.1:9/u" ZV_QUERY L"&program_version=1.0", nullptr},
        {L"http://127.0.0.1:9/u", 1, true, L"S-1", L"http://127.0.0.1:9/u" ZV_QUERY L"&program_platform=win-x86&program_version=1.0",
         L"CPatchOnline::BuildURL(): Can not add serial number. HTTPS is required."},
        {L"https://127.0.0.1:9/u", 1, true, L"S-1",
         L"https://127.0.0.1:9/u" ZV_QUERY L"&program_platform=win-x86&program_version=1.0&serial=S-1", nullptr},
        {L"https://127.0.0.1:9/u", 1, true, nullptr, L"https://127.0.0.1:9/u" ZV_QUERY L"&program_platform=win-x86&program_version=1.0",
         L"CPatchOnline::BuildURL(): Can not add serial number. serial number must not empty."},
        {L"http://127.0.0.1:9/u?zeta=1&program=Mine&alpha=2", 0, false, nullptr,
         L"http://127.0.0.1:9/u?alpha=2&format=html&program=Mine&program_language=de-DE&program_version=1.0&zeta=1", nullptr},
    };
#undef ZV_QUERY
    for (const auto& c : cases) {
        SCOPED_TRACE(zvtest::Narrow(c.url));
        zvtest::RecordingHost host;
        host.settings.updateURL = c.base;
        host.settings.program = L"P";
        host.settings.programVersion = L"1.0";
        host.settings.programLanguage = L"de-DE";
        host.settings.platform = c.platform;
        host.settings.sendSerialNumber = c.sendSerial;
        host.settings.serialNumber = c.serial ? std::optional<std::wstring>(c.serial) : std::nullopt;
        EXPECT_EQ(2, DoAction(&host, 3));
        std::vector<std::wstring> lines;
        if (c.refusal)
            lines.push_back(c.refusal);
        lines.push_back(L"CPatchOnline::BuildURL(): " + std::wstring(c.url) + L".");
        EXPECT_EQ(lines, host.LogLines());
        EXPECT_EQ(c.platform ? 2u : 1u, host.CountOf("GetPlatform"));
        EXPECT_EQ(c.sendSerial && wcsncmp(c.base, L"https", 5) == 0 ? 1u : 0u, host.CountOf("GetSerialNumber"));
    }
}

TEST(OnlineHttps, TheSerialTravelsOverAVerifiedConnectionOnly)
{
    ASSERT_TRUE(zvtest::InstallTestRootCA());
    for (auto tls : {LoopbackHttpServer::Tls::Trusted, LoopbackHttpServer::Tls::UntrustedRoot,
                     LoopbackHttpServer::Tls::WrongHost}) {
        LoopbackHttpServer server(tls);
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        server.Route("/update", HttpResponse::Ok("<patch url=\"https://h/s\" filesize=\"5\" version=\"3.0\">n</patch>"));
        zvtest::TempFolder folder;
        zvtest::RecordingHost host;
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.sendSerialNumber = true;
        host.settings.serialNumber = L"ABCD-1234";
        const bool trusted = tls == LoopbackHttpServer::Tls::Trusted;
        EXPECT_EQ(trusted ? 1 : 2, DoAction(&host, 3));
        ASSERT_EQ(trusted ? 1u : 0u, server.RequestCount());
        if (trusted)
            EXPECT_EQ(std::string("/update?") + kQuery + "&serial=ABCD-1234", server.Requests()[0].target);
    }
}

TEST_F(OnlineActions, DownloadChecksFirstThenHandsTheInstallerOver)
{
    const std::string document = Document();
    server.Route("/update", HttpResponse::Ok(document));
    server.Route("/setup.exe", HttpResponse::Pattern(200000));
    ASSERT_TRUE(zvtest::WriteFileBytes(folder.Path(L"Setup 2.1.exe"), std::string(300000, 'o')));
    host.settings.installerFileName = L"Setup 2.1.exe";
    EXPECT_EQ(1, DoAction(&host, 4));

    const std::wstring installer = folder.Path(L"Setup 2.1.exe");
    EXPECT_EQ(zvtest::PatternBytes(0, 200000), zvtest::ReadFileBytes(installer)) << "replaced, not overwritten";
    std::vector<zvtest::HttpRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("/update", requests[0].path);
    EXPECT_EQ("/setup.exe", requests[1].path);
    const std::wstring adding = L"CPatchOnline::Download(): Adding file: " + installer + L".";
    EXPECT_EQ((std::vector<std::wstring>{QueryLine(), kNoUrlYet, LengthLine(document.size()),
                                         L"CPatchOnline::Download(): Using download url: " + server.Url("/setup.exe") + L".",
                                         adding}),
              host.LogLines());
    // Blocks of at most 64 KiB, the end reported last.
    EXPECT_EQ("OnDownloadEnd", host.Operations().back());
    EXPECT_EQ(std::vector<long long>{200000}, host.DownloadSizes());
    std::vector<long long> progress = host.ProgressReports();
    ASSERT_EQ(4u, progress.size());
    for (size_t i = 0; i < progress.size(); ++i)
        EXPECT_EQ(std::min<long long>(200000, 65536 * static_cast<long long>(i + 1)), progress[i]);
    ASSERT_EQ(1u, host.Installers().size());
    EXPECT_EQ(installer, host.Installers()[0].path);
    EXPECT_EQ(7, host.Installers()[0].kind);
}

TEST_F(OnlineActions, DownloadFailures)
{
    struct {
        const char* name;
        std::string document;
        HttpResponse installer;
        int cancelAfter;
        bool notify;
        int result;
        long long fileSize; // -1: no file
    } cases[] = {
        {"no address", "<patch filesize=\"1\" version=\"2.0\">n</patch>", HttpResponse::NotFound(), 0, true, 10, -1},
        {"not found", Document(), HttpResponse::NotFound(), 0, true, 15, -1},
        {"cancel after one block", Document(), HttpResponse::Pattern(8 * 65536), 1, true, 15, 65536},
        {"no begin or end", Document(), HttpResponse::Ok("MZ"), 0, false, 1, 2},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCalls();
        DeleteFileW(folder.Path(L"ZvUpdate.exe").c_str());
        server.Route("/update", HttpResponse::Ok(c.document));
        server.Route("/setup.exe", c.installer);
        host.settings.cancelAfterProgressReports = c.cancelAfter;
        host.settings.notifyDownload = c.notify;
        EXPECT_EQ(c.result, DoAction(&host, 4));
        EXPECT_EQ(c.fileSize, zvtest::FileSize(folder.Path(L"ZvUpdate.exe")));
        EXPECT_EQ(c.result == 1 ? 1u : 0u, host.CountOf("AddInstallerFile"));
        // Begin and end around every download that starts, failed or not.
        const size_t around = c.notify && c.result != 10 ? 1u : 0u;
        EXPECT_EQ(around, host.CountOf("OnDownloadBegin"));
        EXPECT_EQ(around, host.CountOf("OnDownloadEnd"));
        if (c.result == 10)
            EXPECT_EQ(kNoUrlStill, host.LogLines().back());
    }
    // Without a server nothing names an address.
    host.settings.updateURL = L"http://127.0.0.1:9/update";
    EXPECT_EQ(10, DoAction(&host, 4));
}

} // namespace
