// Actions 3 (availability check) and 4 (download) through DoAction, as a
// host calls them, against a real update server on 127.0.0.1.
#include "ZvAutoUpdate.h"

#include "http/TestFiles.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using zvtest::RecordingHost;
using zvtest::TempFolder;

namespace {

const wchar_t kNoUrlYet[] = L"CPatchOnline::Download(): Download url isn't available - try IsAvailable().";
const wchar_t kNoUrlStill[] = L"CPatchOnline::Download(): Download url isn't still available.";
const wchar_t kLengthZero[] = L"CPatchOnline::IsAvailable(): Content length is zero!";
const char kDefaultQuery[] =
    "format=html&program=TestProgram&program_language=en&program_platform=win-x86&program_version=1.0.0.0";

std::wstring LengthLine(size_t length)
{
    return L"CPatchOnline::IsAvailable(): Content length is available (" + std::to_wstring(length) + L").";
}

// Index of the first call of an operation (optionally with these arguments).
size_t IndexOf(const std::vector<zvtest::HostCall>& calls, const std::string& operation,
               const std::wstring* arguments = nullptr)
{
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].operation == operation && (!arguments || calls[i].arguments == *arguments))
            return i;
    return SIZE_MAX;
}

class OnlineActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
    }

    std::string Document(const std::string& extra = " pug_installer=\"7\"", const std::string& version = "2.1.0.0")
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<patch url=\"" + zvtest::Narrow(server.Url("/setup.exe")) +
               "\" filesize=\"200000\" version=\"" + version + "\"" + extra + "><![CDATA[" + kNotes + "]]></patch>";
    }

    std::wstring BuildUrlLine(const std::string& query = kDefaultQuery)
    {
        return L"CPatchOnline::BuildURL(): " + server.Url("/update?") + std::wstring(query.begin(), query.end()) + L".";
    }

    static constexpr const char* kNotes = "<html><body><h1>2.1</h1><p>Faster.</p></body></html>";
    LoopbackHttpServer server;
    TempFolder folder;
    RecordingHost host;
};

TEST_F(OnlineActions, CheckWithContentLengthReportsVersionAndNotes)
{
    const std::string document = Document();
    server.Route("/update", HttpResponse::Ok(document));
    EXPECT_EQ(1, DoAction(&host, 3));

    EXPECT_EQ((std::vector<std::wstring>{BuildUrlLine(), LengthLine(document.size())}), host.LogLines());
    EXPECT_EQ(L"2.1.0.0", host.NewVersion().value_or(L"(none)"));
    EXPECT_EQ(L"<html><body><h1>2.1</h1><p>Faster.</p></body></html>", host.ReleaseNotes().value_or(L"(none)"));
    // The reports come after the log lines, version first.
    std::vector<std::string> operations = host.Operations();
    std::vector<std::string> reports;
    for (const std::string& op : operations)
        if (op == "Log" || op == "SetNewVersion" || op == "SetReleaseNotes")
            reports.push_back(op);
    EXPECT_EQ((std::vector<std::string>{"Log", "Log", "SetNewVersion", "SetReleaseNotes"}), reports);
    EXPECT_EQ(0u, host.CountOf("SetDownloadSize")); // the check has no observer
    EXPECT_EQ(document, zvtest::ReadFileBytes(folder.File(L"result.xml")));
}

TEST_F(OnlineActions, ServerSeesExactlyTheQueryParameters)
{
    server.Route("/update", HttpResponse::Ok(Document()));
    ASSERT_EQ(1, DoAction(&host, 3));
    ASSERT_EQ(1u, server.RequestCount());
    zvtest::HttpRequest request = server.Requests().at(0);
    EXPECT_EQ("GET", request.method);
    EXPECT_EQ(std::string("/update?") + kDefaultQuery, request.target);
}

TEST_F(OnlineActions, SerialOverPlainHttpIsRefusedAndLogged)
{
    host.settings.sendSerialNumber = true;
    host.settings.serialNumber = L"SER-1";
    server.Route("/update", HttpResponse::Ok(Document()));
    EXPECT_EQ(1, DoAction(&host, 3));
    EXPECT_EQ(std::string("/update?") + kDefaultQuery, server.Requests().at(0).target);
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(L"CPatchOnline::BuildURL(): Can not add serial number. HTTPS is required.", lines[0]);
    EXPECT_EQ(BuildUrlLine(), lines[1]);
}

TEST_F(OnlineActions, ChunkedAnswerLogsLengthZeroAndSucceeds)
{
    server.Route("/update", HttpResponse::Ok(Document()).Chunked(100));
    EXPECT_EQ(1, DoAction(&host, 3));
    EXPECT_EQ((std::vector<std::wstring>{BuildUrlLine(), LengthLine(0)}), host.LogLines());
    EXPECT_EQ(L"2.1.0.0", host.NewVersion().value_or(L"(none)"));
}

TEST_F(OnlineActions, AnswerWithoutLengthIsRefusedButStored)
{
    const std::string document = Document();
    server.Route("/update", HttpResponse::Ok(document).CloseDelimited());
    EXPECT_EQ(2, DoAction(&host, 3));
    EXPECT_EQ((std::vector<std::wstring>{BuildUrlLine(), kLengthZero}), host.LogLines());
    EXPECT_FALSE(host.NewVersion().has_value());
    EXPECT_EQ(document, zvtest::ReadFileBytes(folder.File(L"result.xml")));
}

TEST_F(OnlineActions, FailedOrUnusableAnswersGiveTwo)
{
    server.Route("/update", HttpResponse::NotFound());
    EXPECT_EQ(2, DoAction(&host, 3));
    EXPECT_EQ(std::vector<std::wstring>{BuildUrlLine()}, host.LogLines());

    host.ClearCalls();
    server.Route("/update", HttpResponse::Ok(Document("", "0.0.0.0")));
    EXPECT_EQ(2, DoAction(&host, 3));
    EXPECT_EQ(2u, host.LogLines().size());
    EXPECT_FALSE(host.NewVersion().has_value());

    host.ClearCalls();
    server.Route("/update", HttpResponse::Ok("this is not xml"));
    EXPECT_EQ(2, DoAction(&host, 3));
    EXPECT_FALSE(host.ReleaseNotes().has_value());
}

TEST_F(OnlineActions, EachCallBuildsItsOwnQuery)
{
    server.Route("/update", HttpResponse::Ok(Document()));
    EXPECT_EQ(1, DoAction(&host, 3));
    host.settings.programVersion = L"2.1.0.0";
    EXPECT_EQ(1, DoAction(&host, 3));
    std::vector<zvtest::HttpRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_NE(std::string::npos, requests[0].query.find("program_version=1.0.0.0"));
    EXPECT_NE(std::string::npos, requests[1].query.find("program_version=2.1.0.0"));
    EXPECT_EQ(2u, host.CountOf("GetUpdateURL"));
}

TEST_F(OnlineActions, DownloadChecksFirstThenHandsTheInstallerOver)
{
    const std::string document = Document();
    server.Route("/update", HttpResponse::Ok(document));
    server.Route("/setup.exe", HttpResponse::Pattern(200000));
    host.settings.installerFileName = L"Setup 2.1.exe";
    EXPECT_EQ(1, DoAction(&host, 4));

    const std::wstring installer = folder.File(L"Setup 2.1.exe");
    EXPECT_EQ("", zvtest::CheckPatternFile(installer, 200000));
    EXPECT_EQ(document, zvtest::ReadFileBytes(folder.File(L"result.xml")));
    std::vector<zvtest::HttpRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("/update", requests[0].path); // result.xml is fetched before the installer
    EXPECT_EQ("/setup.exe", requests[1].path);

    const std::wstring adding = L"CPatchOnline::Download(): Adding file: " + installer + L".";
    EXPECT_EQ((std::vector<std::wstring>{BuildUrlLine(), kNoUrlYet, LengthLine(document.size()),
                                         L"CPatchOnline::Download(): Using download url: " + server.Url("/setup.exe") + L".",
                                         adding}),
              host.LogLines());

    std::vector<zvtest::HostCall> calls = host.Calls();
    const std::wstring installerArgs = installer + L"|7";
    size_t begin = IndexOf(calls, "OnDownloadBegin");
    size_t size = IndexOf(calls, "SetDownloadSize");
    size_t addingLine = IndexOf(calls, "Log", &adding);
    size_t handOver = IndexOf(calls, "AddInstallerFile", &installerArgs);
    size_t end = IndexOf(calls, "OnDownloadEnd");
    ASSERT_NE(SIZE_MAX, handOver);
    EXPECT_LT(begin, size);
    EXPECT_LT(size, addingLine);
    EXPECT_EQ(addingLine + 1, handOver);
    EXPECT_LT(handOver, end);
    EXPECT_EQ(end + 1, calls.size());
    EXPECT_EQ(std::vector<long long>{200000}, host.DownloadSizes());
    EXPECT_EQ(200000, host.ProgressReports().back());
    // The check reported the update too.
    EXPECT_EQ(L"2.1.0.0", host.NewVersion().value_or(L"(none)"));
}

TEST_F(OnlineActions, DownloadHandsOverKindZeroWhenTheDocumentNamesNone)
{
    server.Route("/update", HttpResponse::Ok(Document("")));
    server.Route("/setup.exe", HttpResponse::Ok("MZ"));
    EXPECT_EQ(1, DoAction(&host, 4));
    std::vector<RecordingHost::Installer> installers = host.Installers();
    ASSERT_EQ(1u, installers.size());
    EXPECT_EQ(folder.File(L"ZvUpdate.exe"), installers[0].path);
    EXPECT_EQ(0, installers[0].kind);
}

TEST_F(OnlineActions, DownloadWithoutAnAddressGivesTen)
{
    server.Route("/update", HttpResponse::Ok("<patch filesize=\"1\" version=\"2.0\">notes</patch>"));
    EXPECT_EQ(10, DoAction(&host, 4));
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(kNoUrlYet, lines[1]);
    EXPECT_EQ(kNoUrlStill, lines[3]);
    EXPECT_EQ(0u, host.CountOf("OnDownloadBegin"));
    EXPECT_EQ(1u, server.RequestCount());
}

TEST_F(OnlineActions, DownloadWithoutAServerGivesTen)
{
    host.settings.updateURL = L"http://127.0.0.1:9/update";
    EXPECT_EQ(10, DoAction(&host, 4));
    EXPECT_EQ((std::vector<std::wstring>{L"CPatchOnline::BuildURL(): http://127.0.0.1:9/update?" +
                                             std::wstring(kDefaultQuery, kDefaultQuery + sizeof kDefaultQuery - 1) + L".",
                                         kNoUrlYet, kNoUrlStill}),
              host.LogLines());
}

TEST_F(OnlineActions, FailedDownloadGivesFifteenBetweenBeginAndEnd)
{
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::NotFound());
    EXPECT_EQ(15, DoAction(&host, 4));
    std::vector<std::string> operations = host.Operations();
    auto begin = std::find(operations.begin(), operations.end(), "OnDownloadBegin");
    auto end = std::find(operations.begin(), operations.end(), "OnDownloadEnd");
    ASSERT_NE(operations.end(), begin);
    ASSERT_NE(operations.end(), end);
    EXPECT_LT(begin, end);
    EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
    for (const std::wstring& line : host.LogLines())
        EXPECT_EQ(std::wstring::npos, line.find(L"Adding file")) << std::string(line.begin(), line.end());
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"ZvUpdate.exe")));
}

TEST_F(OnlineActions, HostCancelGivesFifteenAndKeepsThePartialFile)
{
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::Pattern(8 * 65536));
    host.settings.cancelAfterProgressReports = 1;
    EXPECT_EQ(15, DoAction(&host, 4));
    EXPECT_EQ(std::vector<long long>{65536}, host.ProgressReports());
    EXPECT_EQ(65536, zvtest::FileSize(folder.File(L"ZvUpdate.exe")));
    EXPECT_EQ("", zvtest::CheckPatternFile(folder.File(L"ZvUpdate.exe"), 65536));
    EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
    EXPECT_EQ(1u, host.CountOf("OnDownloadEnd"));
}

TEST_F(OnlineActions, NoBeginOrEndWhenTheHostDoesNotWantThem)
{
    host.settings.notifyDownload = false;
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::Ok("MZ"));
    EXPECT_EQ(1, DoAction(&host, 4));
    EXPECT_EQ(0u, host.CountOf("OnDownloadBegin"));
    EXPECT_EQ(0u, host.CountOf("OnDownloadEnd"));
    EXPECT_EQ(2u, host.CountOf("GetNotifyDownload"));
}

TEST_F(OnlineActions, ExistingFilesAreReplaced)
{
    ASSERT_TRUE(zvtest::WriteFileBytes(folder.File(L"result.xml"), std::string(100000, ' ')));
    ASSERT_TRUE(zvtest::WriteFileBytes(folder.File(L"ZvUpdate.exe"), std::string(100000, 'o')));
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::Ok("new installer"));
    EXPECT_EQ(1, DoAction(&host, 4));
    EXPECT_EQ(Document(), zvtest::ReadFileBytes(folder.File(L"result.xml")));
    EXPECT_EQ("new installer", zvtest::ReadFileBytes(folder.File(L"ZvUpdate.exe")));
}

TEST_F(OnlineActions, FolderWithoutTrailingBackslashMeansItsParent)
{
    // The last component is replaced by the file name.
    host.settings.downloadFolder = folder.File(L"downloads");
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::Ok("MZ"));
    EXPECT_EQ(1, DoAction(&host, 4));
    EXPECT_TRUE(zvtest::FileExists(folder.File(L"result.xml")));
    EXPECT_TRUE(zvtest::FileExists(folder.File(L"ZvUpdate.exe")));
}

TEST_F(OnlineActions, TemporaryFolderWhenTheHostNamesNone)
{
    host.settings.downloadFolder = std::nullopt;
    host.settings.installerFileName = L"zv_online_test_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    server.Route("/update", HttpResponse::Ok(Document()));
    server.Route("/setup.exe", HttpResponse::Ok("MZ"));
    EXPECT_EQ(1, DoAction(&host, 4));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring installer = std::wstring(temp) + *host.settings.installerFileName;
    ASSERT_EQ(1u, host.Installers().size());
    EXPECT_EQ(installer, host.Installers()[0].path);
    EXPECT_EQ("MZ", zvtest::ReadFileBytes(installer));
    DeleteFileW(installer.c_str());
    DeleteFileW((std::wstring(temp) + L"result.xml").c_str());
}

// Over HTTPS the serial number is sent, last; the certificate is checked.
class OnlineActionsHttps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }
    TempFolder folder;
    RecordingHost host;
};

TEST_F(OnlineActionsHttps, SerialIsSentLastOverHttps)
{
    LoopbackHttpServer server(LoopbackHttpServer::Tls::Trusted);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    server.Route("/update", HttpResponse::Ok("<patch url=\"" + zvtest::Narrow(server.Url("/s.exe")) +
                                             "\" filesize=\"5\" version=\"3.0\">n</patch>"));
    host.settings.updateURL = server.Url("/update");
    host.settings.downloadFolder = folder.Path();
    host.settings.sendSerialNumber = true;
    host.settings.serialNumber = L"ABCD-1234";
    EXPECT_EQ(1, DoAction(&host, 3));
    ASSERT_EQ(1u, server.RequestCount());
    EXPECT_EQ(std::string("/update?") + kDefaultQuery + "&serial=ABCD-1234", server.Requests().at(0).target);
    EXPECT_EQ(L"3.0.0.0", host.NewVersion().value_or(L"(none)"));
}

TEST_F(OnlineActionsHttps, UntrustedServerIsNoUpdate)
{
    LoopbackHttpServer server(LoopbackHttpServer::Tls::UntrustedRoot);
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    server.Route("/update", HttpResponse::Ok("<patch url=\"https://x/s.exe\" filesize=\"5\" version=\"3.0\">n</patch>"));
    host.settings.updateURL = server.Url("/update");
    host.settings.downloadFolder = folder.Path();
    EXPECT_EQ(2, DoAction(&host, 3));
    EXPECT_FALSE(host.NewVersion().has_value());
    EXPECT_EQ(0u, server.RequestCount());
}

} // namespace
