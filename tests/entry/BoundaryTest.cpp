// Nothing escapes DoAction: an allocation made to fail at chosen points of
// each action (on the calling thread and on the workflow's job threads) ends
// the action with the failure code of its path and a log line, never with an
// exception in the host.
#include "ZvAutoUpdate.h"
#include "osal/AllocationFailure.h"

#include "support/Files.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

namespace Failure = ZvOSAL::AllocationFailure;

namespace {

struct ActionCase {
    const char* name;
    int action;
    std::vector<int> failureCodes;
};

TEST(Boundary, AFailedAllocationEndsTheActionWithItsFailureCodeAndALogLine)
{
    zvtest::LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    server.Route("/update", zvtest::HttpResponse::Ok("<patch url=\"" + zvtest::Narrow(server.Url("/setup.exe")) +
                                                     "\" filesize=\"100000\" version=\"2.0\">notes</patch>"));
    server.Route("/setup.exe", zvtest::HttpResponse::Pattern(100000));
    zvtest::TempFolder folder;
    const ActionCase cases[] = {
        {"check", 3, {2}},
        {"download", 4, {15}},
        {"silent update with job threads", 1, {1, 15}},
        {"upload", 2, {2}},
    };
    for (const ActionCase& c : cases) {
        SCOPED_TRACE(c.name);
        zvtest::RecordingHost host;
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.showUpdateDialog = false;
        host.settings.crmUploadFile = folder.Path(L"crm.zip");
        host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
        ASSERT_TRUE(zvtest::WriteFileBytes(folder.Path(L"crm.zip"), "crm"));
        Failure::Scope scope;
        Failure::CountOnly();
        DoAction(&host, c.action);
        const long points = Failure::Allocations();
        ASSERT_GT(points, 0) << "no allocation was counted";
        // The first, the last and a spread between them.
        for (long n = 1; n <= points; n += n < 4 || n + (points / 12) + 1 > points ? 1 : points / 12 + 1) {
            SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(points));
            host.ClearCalls();
            Failure::FailNth(static_cast<int>(n));
            const int result = DoAction(&host, c.action);
            if (Failure::Failures() == 0)
                continue; // the run took another road and made fewer allocations
            EXPECT_NE(c.failureCodes.end(), std::find(c.failureCodes.begin(), c.failureCodes.end(), result)) << result;
            size_t lines = 0;
            for (const std::wstring& line : host.LogLines())
                lines += line.find(L"out of memory") != std::wstring::npos;
            EXPECT_EQ(1u, lines);
        }
    }
}

} // namespace
