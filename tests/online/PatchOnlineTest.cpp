// CPatchOnline internals: the query URL it builds, and the check and the
// download when called the way the interactive workflow calls them.
#include "online/PatchOnline.h"

#include "http/TestFiles.h"
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

std::wstring QueryURL(CPatchOnline& online)
{
    return static_cast<const wchar_t*>(online.GetQueryURL());
}

const wchar_t kRefusedHttp[] = L"CPatchOnline::BuildURL(): Can not add serial number. HTTPS is required.";
const wchar_t kEmptySerial[] = L"CPatchOnline::BuildURL(): Can not add serial number. serial number must not empty.";

TEST(BuildURL, ParametersInNameOrderAfterTheBaseURL)
{
    RecordingHost host;
    host.settings.updateURL = L"http://updates.example.com/query";
    host.settings.program = L"P";
    host.settings.programVersion = L"1.0.0.0";
    host.settings.programLanguage = L"de-DE";
    host.settings.platform = 2;
    CPatchOnline online(&host);
    const std::wstring expected = L"http://updates.example.com/query?format=html&program=P&program_language=de-DE"
                                  L"&program_platform=win-x64&program_version=1.0.0.0";
    EXPECT_EQ(expected, QueryURL(online));
    EXPECT_EQ(std::vector<std::wstring>{L"CPatchOnline::BuildURL(): " + expected + L"."}, host.LogLines());
    EXPECT_EQ((std::vector<std::string>{"GetUpdateURL", "GetProgram", "GetProgramVersion", "GetProgramLanguage",
                                        "GetPlatform", "GetPlatform", "GetSendSerialNumber", "Log"}),
              host.Operations());
}

TEST(BuildURL, PlatformMapping)
{
    struct Case {
        int platform;
        const wchar_t* parameter; // null: none sent
        size_t platformCalls;
    };
    for (Case c : {Case{1, L"&program_platform=win-x86&", 2}, Case{2, L"&program_platform=win-x64&", 2},
                   Case{0, nullptr, 1}, Case{3, nullptr, 2}, Case{-1, nullptr, 2}}) {
        SCOPED_TRACE(c.platform);
        RecordingHost host;
        host.settings.platform = c.platform;
        CPatchOnline online(&host);
        std::wstring url = QueryURL(online);
        if (c.parameter)
            EXPECT_NE(std::wstring::npos, url.find(c.parameter)) << url.c_str();
        else
            EXPECT_EQ(std::wstring::npos, url.find(L"program_platform")) << url.c_str();
        EXPECT_EQ(c.platformCalls, host.CountOf("GetPlatform"));
    }
}

TEST(BuildURL, SerialOnlyOverHttps)
{
    RecordingHost plain;
    plain.settings.updateURL = L"http://h/u";
    plain.settings.sendSerialNumber = true;
    plain.settings.serialNumber = L"SER-1";
    CPatchOnline overHttp(&plain);
    EXPECT_EQ(std::wstring::npos, QueryURL(overHttp).find(L"serial"));
    std::vector<std::wstring> lines = plain.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kRefusedHttp, lines[0]);
    EXPECT_EQ(0u, plain.CountOf("GetSerialNumber"));

    RecordingHost secure;
    secure.settings.updateURL = L"https://h/u";
    secure.settings.sendSerialNumber = true;
    secure.settings.serialNumber = L"SER-1";
    CPatchOnline overHttps(&secure);
    std::wstring url = QueryURL(overHttps);
    EXPECT_EQ(L"&serial=SER-1", url.substr(url.size() - 13));
    EXPECT_EQ(1u, secure.LogLines().size());

    RecordingHost empty;
    empty.settings.updateURL = L"https://h/u";
    empty.settings.sendSerialNumber = true;
    empty.settings.serialNumber = std::nullopt;
    CPatchOnline noSerial(&empty);
    EXPECT_EQ(std::wstring::npos, QueryURL(noSerial).find(L"serial"));
    lines = empty.LogLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kEmptySerial, lines[0]);
}

TEST(BuildURL, SerialNotAskedForWhenNotSent)
{
    RecordingHost host;
    host.settings.updateURL = L"https://h/u";
    host.settings.serialNumber = L"SER-1";
    CPatchOnline online(&host);
    EXPECT_EQ(std::wstring::npos, QueryURL(online).find(L"serial"));
    EXPECT_EQ(0u, host.CountOf("GetSerialNumber"));
}

TEST(BuildURL, BaseQueryTakesPartInTheOrderAndKeepsItsValues)
{
    RecordingHost host;
    host.settings.updateURL = L"http://h/u?zeta=1&program=Mine&alpha=2";
    host.settings.program = L"TheirProgram";
    host.settings.platform = 0;
    CPatchOnline online(&host);
    EXPECT_EQ(L"http://h/u?alpha=2&format=html&program=Mine&program_language=en&program_version=1.0.0.0&zeta=1",
              QueryURL(online));
}

TEST(BuildURL, ValuesAreSentUnescapedAndNullTextsAsEmpty)
{
    RecordingHost host;
    host.settings.program = L"My Program&Co";
    host.settings.programLanguage = std::nullopt;
    host.settings.platform = 0;
    CPatchOnline online(&host);
    EXPECT_EQ(L"http://127.0.0.1/update?format=html&program=My Program&Co&program_language=&program_version=1.0.0.0",
              QueryURL(online));
}

TEST(PatchOnlineWithoutConfiguration, NothingIsBuiltAndBothOperationsFailCleanly)
{
    CPatchOnline online(nullptr);
    EXPECT_TRUE(online.GetQueryURL().IsEmpty());
    EXPECT_EQ(2, online.IsAvailable(true));
    EXPECT_EQ(2, online.IsAvailable(false));
    EXPECT_EQ(3, online.Download(true));
    EXPECT_EQ(std::wstring(L"result.xml"), online.GetResultFileName().c_str());
}

class PatchOnlineServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
    }

    static std::string Document(const std::string& url, const std::string& version = "2.0.0.0")
    {
        return "<patch url=\"" + url + "\" filesize=\"1000\" version=\"" + version + "\">notes</patch>";
    }

    LoopbackHttpServer server;
    TempFolder folder;
    RecordingHost host;
};

TEST_F(PatchOnlineServer, CheckWithoutParsingReportsNothingToTheHost)
{
    server.Route("/update", HttpResponse::Ok(Document("http://h/s.exe")));
    CPatchOnline online(&host);
    host.ClearCalls();
    EXPECT_EQ(1, online.IsAvailable(false));
    EXPECT_EQ(0u, host.CountOf("SetNewVersion"));
    EXPECT_EQ(0u, host.CountOf("SetReleaseNotes"));
    EXPECT_TRUE(online.GetPatchInfo().GetUrl().IsEmpty());
    EXPECT_EQ(static_cast<long long>(Document("http://h/s.exe").size()), online.GetContentLength());
    EXPECT_EQ(folder.File(L"result.xml"), static_cast<const wchar_t*>(online.GetLocalFile()));
}

TEST_F(PatchOnlineServer, ErrorAnswersAreNotStored)
{
    server.Route("/update", HttpResponse::WithStatus(500, "Internal Server Error", "<patch/>"));
    CPatchOnline online(&host);
    host.ClearCalls();
    EXPECT_EQ(2, online.IsAvailable(true));
    EXPECT_TRUE(host.LogLines().empty());
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.xml")));
}

TEST_F(PatchOnlineServer, VersionZeroIsNoUpdateButItsAddressStillDownloads)
{
    server.Route("/update", HttpResponse::Ok(Document(zvtest::Narrow(server.Url("/setup.exe")), "0.0.0.0")));
    server.Route("/setup.exe", HttpResponse::Pattern(70000));
    CPatchOnline check(&host);
    EXPECT_EQ(2, check.IsAvailable(true));
    EXPECT_EQ(0u, host.CountOf("SetNewVersion"));

    CPatchOnline download(&host);
    EXPECT_EQ(1, download.Download(true));
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.File(L"ZvUpdate.exe"), 70000));
}

TEST_F(PatchOnlineServer, DownloadWithoutNotifyTellsTheHostNothingAboutTheFile)
{
    server.Route("/update", HttpResponse::Ok(Document(zvtest::Narrow(server.Url("/setup.exe")))));
    server.Route("/setup.exe", HttpResponse::Pattern(70000));
    CPatchOnline online(&host);
    EXPECT_EQ(1, online.Download(false));
    EXPECT_EQ(0u, host.CountOf("SetDownloadSize"));
    EXPECT_EQ(0u, host.CountOf("OnDownloadProgress"));
    EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
    // Begin and end follow GetNotifyDownload, not the notify argument.
    EXPECT_EQ(1u, host.CountOf("OnDownloadBegin"));
    EXPECT_EQ(1u, host.CountOf("OnDownloadEnd"));
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.File(L"ZvUpdate.exe"), 70000));
}

TEST_F(PatchOnlineServer, KnownDownloadAddressSkipsTheCheck)
{
    server.Route("/update", HttpResponse::Ok(Document(zvtest::Narrow(server.Url("/setup.exe")))));
    server.Route("/setup.exe", HttpResponse::Ok("installer"));
    CPatchOnline online(&host);
    ASSERT_EQ(1, online.IsAvailable(true));
    server.ClearRequests();
    host.ClearCalls();
    EXPECT_EQ(1, online.Download(true));
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ("/setup.exe", server.Requests().at(0).path);
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(L"CPatchOnline::Download(): Using download url: " + server.Url("/setup.exe") + L".", lines[0]);
}

} // namespace
