// A host that implements only the eight required operations gets the
// interface's defaults, checked slot by slot through the virtual table as a
// caller of the library sees it.
#include "ZvAutoUpdate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using ZvAutoUpdate::CUpdateConfiguration2;

namespace {

class MinimalHost : public CUpdateConfiguration2 {
public:
    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"MinimalProgram"; }
    const wchar_t* GetUpdateURL() override { return L"http://127.0.0.1/update"; }
    const wchar_t* GetProgramLanguage() override { return L"en"; }
    const wchar_t* GetProgramVersion() override { return L"1.0"; }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    void AddInstallerFile(const wchar_t*, int) override {}
    void Log(const wchar_t*) override {}
};

// The table as another compiler lays it out: slot n holds the n-th
// operation; on x64 "this" is the first argument.
#if defined(__i386__)
#define SLOT_CALL __thiscall
#else
#define SLOT_CALL
#endif
template <typename R, typename... A>
R CallSlot(CUpdateConfiguration2* object, int slot, A... args)
{
    using Fn = R(SLOT_CALL*)(void*, A...);
    void** table = *reinterpret_cast<void***>(object);
    return reinterpret_cast<Fn>(table[slot])(object, args...);
}

std::wstring Text(const wchar_t* text)
{
    return text ? text : L"(null)";
}

} // namespace

TEST(ConfigurationDefaults, EveryDefaultThroughItsSlot)
{
    MinimalHost host;
    CUpdateConfiguration2* c = &host;

    EXPECT_EQ(1, CallSlot<unsigned char>(c, 0));  // IsCRMUploadOffered
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 1));  // GetSendCRMData
    CallSlot<void, bool>(c, 2, false);            // SetSendCRMData: no effect
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 3));  // GetNotifyDownload
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 4));  // GetShowUpdateDialog
    CallSlot<void, bool>(c, 5, false);            // SetShowUpdateDialog
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 6));  // GetShowInstallDialog
    EXPECT_EQ(nullptr, CallSlot<const wchar_t*>(c, 7));  // GetSkinPath
    EXPECT_EQ(nullptr, CallSlot<const wchar_t*>(c, 8));  // GetDownloadFolder: temporary folder
    EXPECT_EQ(L"ZvUpdate.exe", Text(CallSlot<const wchar_t*>(c, 9)));
    EXPECT_EQ(nullptr, (CallSlot<const wchar_t*, int>(c, 10, 1)));                 // host's GetCRMDataFile
    EXPECT_EQ(L"MinimalProgram", Text(CallSlot<const wchar_t*>(c, 11)));         // host's GetProgram
    EXPECT_EQ(L"MinimalProgram", Text(CallSlot<const wchar_t*>(c, 12)));         // GetProductName = GetProgram
    EXPECT_EQ(L"http://127.0.0.1/update", Text(CallSlot<const wchar_t*>(c, 13)));
    const std::wstring redirect = Text(CallSlot<const wchar_t*>(c, 14));        // GetCRMRedirectURL
    EXPECT_EQ(0u, redirect.rfind(L"http://", 0)) << "default endpoint is http";
    EXPECT_GE(redirect.size(), std::wcslen(L"/redirects/crm/crm.php3"));
    EXPECT_EQ(L"/redirects/crm/crm.php3", redirect.substr(redirect.size() - std::wcslen(L"/redirects/crm/crm.php3")));
    EXPECT_EQ(L"en", Text(CallSlot<const wchar_t*>(c, 15)));
    EXPECT_EQ(L"1.0", Text(CallSlot<const wchar_t*>(c, 16)));
    EXPECT_EQ(nullptr, CallSlot<const wchar_t*>(c, 17));
    EXPECT_EQ(0, CallSlot<unsigned char>(c, 18));  // GetSendSerialNumber
    CallSlot<void, const wchar_t*>(c, 19, L"x");   // SetReleaseNotesFile
    CallSlot<void, const wchar_t*>(c, 20, L"x");   // SetNewVersion
    CallSlot<void, long long>(c, 21, 5);           // SetDownloadSize
    CallSlot<void, const wchar_t*, int>(c, 22, L"x", 0);  // host's AddInstallerFile
    CallSlot<void>(c, 23);                         // OnDownloadBegin
    CallSlot<void>(c, 24);                         // OnDownloadEnd
    CallSlot<void, long long>(c, 25, 5);           // OnDownloadProgress
    EXPECT_EQ(0, CallSlot<unsigned char>(c, 26));  // IsCancelRequested
    CallSlot<void, const wchar_t*>(c, 27, L"x");   // host's Log
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 28));  // GetUseWorkerThreads
    EXPECT_EQ(nullptr, CallSlot<HWND>(c, 29));     // GetParentWindow
    EXPECT_EQ(1, CallSlot<unsigned char>(c, 30));  // IsDontShowAgainOffered
    EXPECT_EQ(1, CallSlot<int>(c, 31));            // GetPlatform: win-x86
    CallSlot<void, const wchar_t*>(c, 32, L"x");   // SetReleaseNotes
}

TEST(ConfigurationDefaults, ProductNameFollowsTheHostsProgram)
{
    struct Host : MinimalHost {
        const wchar_t* GetProgram() override { return L"Another"; }
    } host;
    EXPECT_STREQ(L"Another", static_cast<CUpdateConfiguration2&>(host).GetProductName());
}

TEST(ConfigurationDefaults, BoolsAreOneByteAndTheObjectIsOnlyItsTable)
{
    EXPECT_EQ(1u, sizeof(bool));
    EXPECT_EQ(sizeof(void*), sizeof(CUpdateConfiguration2));
}
