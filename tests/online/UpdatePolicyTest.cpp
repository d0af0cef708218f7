// What a hostile network and a careless host could do to actions 1, 3 and 4,
// against real loopback servers, each within bounded time: a stalled or
// endless answer, a cancel while nothing (or everything) arrives, oversized
// bodies, an HTTPS query redirected to http, a rollback, an unsigned or
// foreign-signed installer, a wrong checksum, a huge document, concurrent and
// re-entrant calls; and the opt-in policy (DoActionWithPolicy) that refuses
// what a careful publisher would.
//
// This program is signed with the test code-signing certificate
// (tests/online/CMakeLists.txt), so it has the publisher of signed-valid.exe.
#include "ZvUpdatePolicy.h"
#include "online/UpdatePolicy.h"
#include "update/Updater.h"

#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/Platform.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"
#include "support/Threads.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <atomic>

using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

namespace {

ZvUpdatePolicy Policy(unsigned flags, unsigned stallSeconds = 0)
{
    ZvUpdatePolicy policy = {};
    policy.size = sizeof policy;
    policy.flags = flags;
    policy.stallSeconds = stallSeconds;
    return policy;
}

// A host that asks for a cancel from cancelAfterMs after its first poll on,
// and that may call the library from inside its answers.
class Host : public zvtest::RecordingHost {
public:
    DWORD cancelAfterMs = INFINITE;
    DWORD cancelledAt = 0;
    bool reenter = false;
    std::atomic<int> innerResult{0};
    std::atomic<DWORD> innerThread{0};
    std::vector<DWORD> progressTicks;

    bool IsCancelRequested() override
    {
        const bool byBlocks = RecordingHost::IsCancelRequested();
        if (!m_firstPoll)
            m_firstPoll = GetTickCount();
        if (!byBlocks && GetTickCount() - m_firstPoll < cancelAfterMs)
            return false;
        if (!cancelledAt)
            cancelledAt = GetTickCount();
        return true;
    }
    const wchar_t* GetUpdateURL() override
    {
        if (reenter && !innerThread) {
            innerThread = GetCurrentThreadId();
            innerResult = DoAction(this, 3);
        }
        return RecordingHost::GetUpdateURL();
    }
    void OnDownloadProgress(long long bytes) override
    {
        progressTicks.push_back(GetTickCount());
        RecordingHost::OnDownloadProgress(bytes);
    }
    bool Logged(const std::wstring& part) const
    {
        for (const std::wstring& line : LogLines())
            if (line.find(part) != std::wstring::npos)
                return true;
        return false;
    }

private:
    DWORD m_firstPoll = 0;
};

class UpdatePolicy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
    }

    void Offer(const std::string& installerUrl, long long size, const std::string& extra = "",
               const std::string& version = "2.0.0.0")
    {
        server.Route("/update", HttpResponse::Ok("<patch url=\"" + installerUrl + "\" filesize=\"" +
                                                 std::to_string(size) + "\" version=\"" + version + "\"" + extra +
                                                 ">notes</patch>"));
    }
    void OfferFile(const std::wstring& fixture)
    {
        const std::string bytes = zvtest::ReadFileBytes(zvtest::FixturePath(fixture));
        server.Route("/setup.exe", HttpResponse::Ok(bytes));
        Offer(zvtest::Narrow(server.Url("/setup.exe")), static_cast<long long>(bytes.size()));
    }

    // Runs the action and measures it.
    int Run(int action, const ZvUpdatePolicy* policy = nullptr)
    {
        const DWORD start = GetTickCount();
        const int result = DoActionWithPolicy(&host, action, policy);
        elapsed = GetTickCount() - start;
        return result;
    }
    std::wstring Installer() const { return folder.Path(L"ZvUpdate.exe"); }

    LoopbackHttpServer server;
    zvtest::TempFolder folder;
    Host host;
    DWORD elapsed = 0;
};

TEST_F(UpdatePolicy, AHugeDocumentIsRefusedOrReadWithinTwiceItsTextSize)
{
    ZvUpdatePolicy policy = Policy(0);
    policy.maxDocumentBytes = 65536;
    const std::string notes(16u << 20, 'n');
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000, "", "2.0.0.0");
    server.Route("/update", HttpResponse::Ok("<patch url=\"http://h/s\" filesize=\"1\" version=\"2.0\">" + notes +
                                             "</patch>"));
    EXPECT_EQ(2, Run(3, &policy));
    EXPECT_TRUE(host.Logged(L"Update policy maxDocumentBytes: the patch description is longer than 65536 bytes"));
    server.Route("/update", HttpResponse::Ok("<patch url=\"http://h/s\" filesize=\"1\" version=\"2.0\">" + notes +
                                             "</patch>").Chunked(65536));
    EXPECT_EQ(2, Run(3, &policy));
    // First in the program: its peak working set is still low. Without a
    // policy the document is read; the reader and the description
    // (UTF-16) hold it twice each, no more.
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    EXPECT_EQ(1, Run(3));
    K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, 5 * notes.size());
    EXPECT_EQ(notes.size(), host.ReleaseNotes().value_or(L"").size());
}

TEST_F(UpdatePolicy, AStalledServerFailsAfterTheStallTime)
{
    const ZvUpdatePolicy policy = Policy(0, 2);
    struct {
        const char* name;
        int action;
        HttpResponse document;
        HttpResponse installer;
        int result;
    } cases[] = {
        {"headers, then nothing", 3, HttpResponse::Ok(std::string(100, ' ')).StallAfter(10), HttpResponse::NotFound(), 2},
        {"no headers", 3, HttpResponse::Ok().Delay(60000), HttpResponse::NotFound(), 2},
        {"installer", 4, HttpResponse::Ok(), HttpResponse::Pattern(300000).StallAfter(70000), 15},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearCalls();
        Offer(zvtest::Narrow(server.Url("/setup.exe")), 300000);
        if (c.action == 3)
            server.Route("/update", c.document);
        server.Route("/setup.exe", c.installer);
        EXPECT_EQ(c.result, Run(c.action, &policy));
        // The policy's 2 s, not the default 60 s (room for an emulated CPU).
        EXPECT_LT(elapsed, 20000u);
        EXPECT_TRUE(host.Logged(L"nothing received for 2 s")) << zvtest::Narrow(host.LogLines().back());
        EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
    }
}

TEST_F(UpdatePolicy, OnASlowLineEachBlockReachesTheHostAsItArrives)
{
    // A block every 0.5 s: a read held back for more blocks would delay the
    // progress, the cancel question and the transfer's own bound on a stall.
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 8 * 65536);
    server.Route("/setup.exe", HttpResponse::Pattern(8 * 65536).Pace(65536, 500));
    ASSERT_EQ(1, Run(4));
    ASSERT_EQ(8u, host.progressTicks.size());
    for (size_t i = 1; i < host.progressTicks.size(); ++i)
        EXPECT_LT(host.progressTicks[i] - host.progressTicks[i - 1], 1000u) << "before block " << i + 1;
    EXPECT_EQ("", zvtest::CheckPatternFile(Installer(), 8 * 65536));
}

TEST_F(UpdatePolicy, CancelIsHonouredWithinASecondWhetherNothingOrEverythingArrives)
{
    // Nothing arrives: the cancel comes from the polls while the transfer waits.
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 300000);
    server.Route("/setup.exe", HttpResponse::Pattern(300000).StallAfter(0));
    host.cancelAfterMs = 500;
    EXPECT_EQ(15, Run(4));
    ASSERT_NE(0u, host.cancelledAt);
    EXPECT_LT(GetTickCount() - host.cancelledAt, 1500u) << "returned too long after the cancel";
    // The server keeps sending for ever: the connection is dropped, not drained.
    host.ClearCalls();
    host.cancelAfterMs = INFINITE;
    host.cancelledAt = 0;
    host.settings.cancelAfterProgressReports = 1;
    server.Route("/setup.exe", HttpResponse::Pattern(1ull << 40).Chunked(65536));
    EXPECT_EQ(15, Run(4));
    EXPECT_LT(GetTickCount() - host.cancelledAt, 1500u) << "returned too long after the cancel";
    EXPECT_EQ(std::vector<long long>{65536}, host.ProgressReports());
    EXPECT_EQ(65536, zvtest::FileSize(Installer()));
}

TEST_F(UpdatePolicy, ExactSizeStopsEndlessAndOversizedBodies)
{
    const ZvUpdatePolicy policy = Policy(ZVAU_POLICY_EXACT_SIZE);
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000);
    server.Route("/setup.exe", HttpResponse::Pattern(1000));
    EXPECT_EQ(1, Run(4, &policy));
    // The endless body comes last: Wine's WinINet, closing the dropped
    // connection on the worker thread, reads off what the local server keeps
    // sending until the server stops, which slows what would follow.
    for (const HttpResponse& body : {HttpResponse::Pattern(999), HttpResponse::Pattern(20u << 20),
                                     HttpResponse::Pattern(1ull << 40).Chunked(65536)}) {
        host.ClearCalls();
        Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000);
        server.Route("/setup.exe", body);
        EXPECT_EQ(15, Run(4, &policy));
        EXPECT_LT(elapsed, 5000u);
        EXPECT_TRUE(host.Logged(L"Update policy ZVAU_POLICY_EXACT_SIZE: "));
        EXPECT_FALSE(zvtest::FileExists(Installer()));
        for (long long bytes : host.ProgressReports())
            EXPECT_LE(bytes, 1000);
    }
}

TEST_F(UpdatePolicy, HttpsQueriesAndDownloadsNeverFollowARedirectToHttp)
{
    ASSERT_TRUE(zvtest::InstallTestRootCA());
    LoopbackHttpServer secure(LoopbackHttpServer::Tls::Trusted);
    ASSERT_TRUE(secure.IsRunning()) << secure.Error();
    const ZvUpdatePolicy policy = Policy(ZVAU_POLICY_REQUIRE_HTTPS);
    host.settings.updateURL = secure.Url("/update");
    secure.Route("/update", HttpResponse::WithStatus(302, "Found").Header("Location", zvtest::Narrow(server.Url("/update"))));
    Offer(zvtest::Narrow(secure.Url("/setup.exe")), 1000);
    EXPECT_EQ(2, Run(3, &policy));
    EXPECT_TRUE(host.Logged(L"Update policy ZVAU_POLICY_REQUIRE_HTTPS: the query address or one of its redirects"));
    EXPECT_EQ(0u, server.RequestCount());
    // A redirect over HTTPS is followed; the installer's redirect to http is not.
    secure.Route("/update", HttpResponse::WithStatus(301, "Moved").Header("Location", "/feed"));
    secure.Route("/feed", HttpResponse::Ok("<patch url=\"" + zvtest::Narrow(secure.Url("/setup.exe")) +
                                           "\" filesize=\"1000\" version=\"2.0\">n</patch>"));
    secure.Route("/setup.exe", HttpResponse::WithStatus(302, "Found").Header("Location", zvtest::Narrow(server.Url("/setup.exe"))));
    host.ClearCalls();
    EXPECT_EQ(15, Run(4, &policy));
    EXPECT_TRUE(host.Logged(L"Update policy ZVAU_POLICY_REQUIRE_HTTPS: a redirect of the download is not HTTPS"));
    EXPECT_EQ(0u, server.RequestCount());
    // Plain addresses are refused before anything is sent.
    host.settings.updateURL = server.Url("/update");
    EXPECT_EQ(2, Run(3, &policy));
    EXPECT_EQ(0u, server.RequestCount());
}

TEST_F(UpdatePolicy, RequireNewerRefusesARollback)
{
    const ZvUpdatePolicy policy = Policy(ZVAU_POLICY_REQUIRE_NEWER);
    server.Route("/setup.exe", HttpResponse::Pattern(1000));
    for (const char* version : {"1.0.0.0", "0.9"}) {
        host.ClearCalls();
        Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000, "", version);
        EXPECT_EQ(2, Run(3, &policy));
        EXPECT_EQ(10, Run(4, &policy));
        EXPECT_TRUE(host.Logged(L"Update policy ZVAU_POLICY_REQUIRE_NEWER: the offered version"));
        EXPECT_FALSE(host.NewVersion().has_value());
        // Without the rule the host gets what it always got.
        EXPECT_EQ(1, Run(4));
    }
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000, "", "1.0.0.1");
    EXPECT_EQ(1, Run(3, &policy));
}

TEST_F(UpdatePolicy, Sha256DecidesWhenThePublisherGivesOne)
{
    const std::string sha = "sha256=\"";
    // SHA-256 of the 1000 pattern bytes, made by Python's hashlib.
    const std::string right = "4e4c294b331f7a2099a379bec34b9f9fc03dc46ab465d998f4d683da53487e6d";
    server.Route("/setup.exe", HttpResponse::Pattern(1000));
    struct {
        std::string attribute;
        int result;
        const wchar_t* line;
    } cases[] = {
        {"", 1, nullptr},
        {" " + sha + right + "\"", 1, nullptr},
        {" " + sha + std::string(64, '0') + "\"", 15, L"does not match the sha256"},
        {" " + sha + "xyz\"", 15, L"is not 64 hexadecimal digits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attribute);
        host.ClearCalls();
        Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000, c.attribute);
        EXPECT_EQ(c.result, Run(4));
        EXPECT_EQ(c.result == 1, zvtest::FileExists(Installer()));
        EXPECT_TRUE(!c.line || host.Logged(c.line));
    }
    const ZvUpdatePolicy policy = Policy(ZVAU_POLICY_REQUIRE_SHA256);
    Offer(zvtest::Narrow(server.Url("/setup.exe")), 1000);
    EXPECT_EQ(10, Run(4, &policy));
    EXPECT_TRUE(host.Logged(L"Update policy ZVAU_POLICY_REQUIRE_SHA256: "));
}

TEST_F(UpdatePolicy, SignatureAndSignerRulesForTheDownload)
{
    ASSERT_TRUE(zvtest::InstallTestRootCA());
    const std::string thumbprint = zvtest::ReadFileBytes(zvtest::FixturePath(L"codesign.sha256")).substr(0, 64);
    const std::wstring signer(thumbprint.begin(), thumbprint.end());
    const std::wstring other = std::wstring(64, L'0') + L";" + std::wstring(64, L'a');
    // Wine's WinVerifyTrust does not check that the chain ends in a trusted
    // root: a file signed under an unknown root passes there (Windows refuses
    // it). The signer rules refuse it on both.
    const int unknownRoot = zvtest::RunningUnderWine() ? 1 : 15;
    const auto unknownRootRule = [](const wchar_t* rule) {
        return zvtest::RunningUnderWine() ? rule : L"ZVAU_POLICY_VERIFY_DOWNLOAD";
    };
    struct {
        const wchar_t* fixture;
        unsigned flags;
        const wchar_t* publisher;
        const wchar_t* thumbprints;
        int result;
        const wchar_t* rule;
    } cases[] = {
        {L"unsigned.exe", 0, nullptr, nullptr, 1, nullptr},
        {L"unsigned.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, nullptr, 15, L"ZVAU_POLICY_VERIFY_DOWNLOAD"},
        {L"signed-tampered.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, nullptr, 15, L"ZVAU_POLICY_VERIFY_DOWNLOAD"},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, nullptr, 1, nullptr},
        {L"signed-untrusted-root.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, nullptr, unknownRoot, nullptr},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD | ZVAU_POLICY_SAME_PUBLISHER, nullptr, nullptr, 1, nullptr},
        {L"signed-untrusted-root.exe", ZVAU_POLICY_VERIFY_DOWNLOAD | ZVAU_POLICY_SAME_PUBLISHER, nullptr, nullptr, 15,
         unknownRootRule(L"ZVAU_POLICY_SAME_PUBLISHER")},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, L"ZvAutoUpdate Test Code Signing", nullptr, 1, nullptr},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, L"ZvAutoUpdate Test", nullptr, 15, L"publisher"},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, signer.c_str(), 1, nullptr},
        // The test certificates name no revocation list: Windows cannot check
        // them and refuses; Wine checks nothing there and accepts.
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD | ZVAU_POLICY_CHECK_REVOCATION, nullptr, nullptr, unknownRoot,
         nullptr},
        {L"signed-valid.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, other.c_str(), 15, L"thumbprints"},
        {L"signed-untrusted-root.exe", ZVAU_POLICY_VERIFY_DOWNLOAD, nullptr, signer.c_str(), 15,
         unknownRootRule(L"thumbprints")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(zvtest::Narrow(c.fixture) + " flags " + std::to_string(c.flags));
        host.ClearCalls();
        OfferFile(c.fixture);
        ZvUpdatePolicy policy = Policy(c.flags);
        policy.publisher = c.publisher;
        policy.thumbprints = c.thumbprints;
        EXPECT_EQ(c.result, Run(4, &policy));
        EXPECT_EQ(c.result == 1 ? 1u : 0u, host.CountOf("AddInstallerFile"));
        EXPECT_EQ(c.result == 1, zvtest::FileExists(Installer()));
        EXPECT_TRUE(!c.rule || host.Logged(L"Update policy " + std::wstring(c.rule) + L": "));
    }
}

TEST_F(UpdatePolicy, CallsWaitForEachOtherAndCallsFromInsideAreRefused)
{
    Offer("http://127.0.0.1:9/s.exe", 1000);
    server.Route("/update", HttpResponse::Ok("<patch url=\"http://h/s\" filesize=\"1\" version=\"2.0\">n</patch>")
                                .Delay(700));
    Host second;
    second.settings = host.settings;
    int results[2] = {0, 0};
    const DWORD start = GetTickCount();
    HANDLE other = zvtest::StartThread([&] { results[1] = DoAction(&second, 3); });
    results[0] = DoAction(&host, 3);
    WaitForSingleObject(other, 30000);
    CloseHandle(other);
    EXPECT_EQ(1, results[0]);
    EXPECT_EQ(1, results[1]);
    EXPECT_GE(GetTickCount() - start, 1400u) << "the calls overlapped";
    // From the host's answer on the calling thread, and from a job thread of
    // action 1 (the silent check asks for the address there).
    host.reenter = true;
    EXPECT_EQ(1, Run(3));
    EXPECT_EQ(3, host.innerResult.load());
    EXPECT_EQ(GetCurrentThreadId(), host.innerThread.load());
    host.innerThread = 0;
    host.settings.showUpdateDialog = false;
    EXPECT_EQ(1, Run(1));
    EXPECT_EQ(3, host.innerResult.load());
    EXPECT_NE(GetCurrentThreadId(), host.innerThread.load());
    EXPECT_LT(elapsed, 10000u);
}

// Action 1: the download and signature check jobs apply the same rules.
TEST_F(UpdatePolicy, TheInteractiveJobsKeepTheRulesToo)
{
    ASSERT_TRUE(zvtest::InstallTestRootCA());
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    auto Reported = [window](UINT message) {
        MSG msg = {};
        return PeekMessageW(&msg, window, message, message, PM_REMOVE) ? (message == WM_DOWNLOAD_DONE ? msg.lParam
                                                                                                       : msg.wParam)
                                                                        : -1;
    };
    ZvUpdatePolicy raw = Policy(ZVAU_POLICY_EXACT_SIZE);
    raw.publisher = L"Someone Else";
    const CUpdatePolicy policy(&raw);
    server.Route("/setup.exe", HttpResponse::Ok(zvtest::ReadFileBytes(zvtest::FixturePath(L"signed-valid.exe"))));
    const long long size = zvtest::FileSize(zvtest::FixturePath(L"signed-valid.exe"));
    for (const std::string& extra : {std::string(" sha256=\"") + std::string(64, '0') + "\"", std::string()}) {
        Offer(zvtest::Narrow(server.Url("/setup.exe")), size, extra, "2.0");
        CUpdater updater(&host);
        updater.SetPolicy(&policy);
        CUpdater::ThreadCheck(new CUpdater::CJobContext{&updater, window});
        ASSERT_EQ(1, Reported(WM_UPDATE_CHECKED));
        CUpdater::ThreadDownload(new CUpdater::CJobContext{&updater, window});
        if (!extra.empty()) {
            EXPECT_EQ(0, Reported(WM_DOWNLOAD_DONE)) << "a wrong sha256 is a failed download";
            EXPECT_TRUE(host.Logged(L"CUpdater::ThreadDownload(): the installer does not match the sha256"));
            EXPECT_FALSE(zvtest::FileExists(Installer()));
            continue;
        }
        EXPECT_EQ(1, Reported(WM_DOWNLOAD_DONE));
        CUpdater::ThreadFileCheck(new CUpdater::CJobContext{&updater, window});
        EXPECT_EQ(0, Reported(WM_FILE_CHECKED)) << "another publisher's installer is refused";
        EXPECT_TRUE(host.Logged(L"Update policy publisher: "));
        EXPECT_FALSE(zvtest::FileExists(Installer()));
        EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
    }
    DestroyWindow(window);
}

} // namespace
