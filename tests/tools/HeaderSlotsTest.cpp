// The two faces of UpdateConfiguration2.h agree: a C++ host object, called
// through the C table slot by slot (as a C caller lays it out), receives every
// call in the method of the same name, with its object and its arguments, and
// the C side reads back what the method returned. On x86 this also holds for
// the table in the form of Microsoft's C compiler (__fastcall with an unused
// second parameter).
#include "HeaderSlots.h"

#include "ZvAutoUpdate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Call {
    int slot;
    const void* self;
    long long number; // the int or 64-bit argument, or the bool
    std::wstring text;
};

// Distinct answers: a slot that reaches the wrong method returns the wrong one.
const wchar_t* Text(int slot)
{
    static wchar_t texts[SLOT_COUNT][8];
    swprintf(texts[slot], 8, L"t%d", slot);
    return texts[slot];
}

class Recorder : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::vector<Call> calls;

    bool IsCRMUploadOffered() override { return Bool(0); }
    bool GetSendCRMData() override { return Bool(1); }
    void SetSendCRMData(bool send) override { Record(2, send); }
    bool GetNotifyDownload() override { return Bool(3); }
    bool GetShowUpdateDialog() override { return Bool(4); }
    void SetShowUpdateDialog(bool show) override { Record(5, show); }
    bool GetShowInstallDialog() override { return Bool(6); }
    const wchar_t* GetSkinPath() override { return String(7); }
    const wchar_t* GetDownloadFolder() override { return String(8); }
    const wchar_t* GetInstallerFileName() override { return String(9); }
    const wchar_t* GetCRMDataFile(int kind) override { Record(10, kind); return Text(10); }
    const wchar_t* GetProgram() override { return String(11); }
    const wchar_t* GetProductName() override { return String(12); }
    const wchar_t* GetUpdateURL() override { return String(13); }
    const wchar_t* GetCRMRedirectURL() override { return String(14); }
    const wchar_t* GetProgramLanguage() override { return String(15); }
    const wchar_t* GetProgramVersion() override { return String(16); }
    const wchar_t* GetSerialNumber() override { return String(17); }
    bool GetSendSerialNumber() override { return Bool(18); }
    void SetReleaseNotesFile(const wchar_t* path) override { Record(19, 0, path); }
    void SetNewVersion(const wchar_t* name) override { Record(20, 0, name); }
    void SetDownloadSize(long long bytes) override { Record(21, bytes); }
    void AddInstallerFile(const wchar_t* path, int kind) override { Record(22, kind, path); }
    void OnDownloadBegin() override { Record(23); }
    void OnDownloadEnd() override { Record(24); }
    void OnDownloadProgress(long long bytes) override { Record(25, bytes); }
    bool IsCancelRequested() override { return Bool(26); }
    void Log(const wchar_t* line) override { Record(27, 0, line); }
    bool GetUseWorkerThreads() override { return Bool(28); }
    HWND GetParentWindow() override { Record(29); return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x2900)); }
    bool IsDontShowAgainOffered() override { return Bool(30); }
    int GetPlatform() override { Record(31); return 3100; }
    void SetReleaseNotes(const wchar_t* notes) override { Record(32, 0, notes); }

private:
    void Record(int slot, long long number = 0, const wchar_t* text = nullptr)
    {
        calls.push_back(Call{slot, this, number, text ? text : L""});
    }
    // Bool getters alternate between true and false by slot.
    bool Bool(int slot) { Record(slot); return slot % 2 == 0; }
    const wchar_t* String(int slot) { Record(slot); return Text(slot); }
};

struct Argument {
    int slot;
    long long number;
    const wchar_t* text;
};

// What each slot's method answers (void slots: 0).
unsigned long long Returned(int slot)
{
    switch (slot) {
    case 0: case 1: case 3: case 4: case 6: case 18: case 26: case 28: case 30:
        return slot % 2 == 0 ? 1 : 0;
    case 29: return 0x2900;
    case 31: return 3100;
    default:
        return (slot >= 7 && slot <= 17) ? static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(Text(slot))) : 0;
    }
}

void CheckCalls(void (*caller)(void*, SlotReturns*))
{
    // Arguments by slot; every other slot takes none.
    const Argument arguments[] = {
        {2, SLOT_BOOL_ARG, L""},         {5, SLOT_BOOL_ARG, L""},     {10, SLOT_INT_ARG, L""},
        {19, 0, L"text"},                {20, 0, L"text"},            {21, SLOT_COUNT_ARG, L""},
        {22, SLOT_INT_ARG, L"text"},     {25, SLOT_COUNT_ARG, L""},   {27, 0, L"text"},
        {32, 0, L"text"},
    };
    Recorder recorder;
    SlotReturns returns = {};
    caller(&recorder, &returns);
    ASSERT_EQ(recorder.calls.size(), static_cast<size_t>(SLOT_COUNT));
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        const Call& call = recorder.calls[slot];
        SCOPED_TRACE("slot " + std::to_string(slot));
        EXPECT_EQ(call.slot, slot) << "the C table's slot reached another method";
        EXPECT_EQ(call.self, static_cast<const void*>(&recorder));
        long long number = 0;
        std::wstring text;
        for (const Argument& e : arguments) {
            if (e.slot == slot) {
                number = e.number;
                text = e.text;
            }
        }
        EXPECT_EQ(call.number, number);
        EXPECT_EQ(call.text, text);
        EXPECT_EQ(returns.value[slot], Returned(slot)) << "the C side read another answer";
    }
}

TEST(PublicHeaderSlots, CTableReachesTheCppMethodOfTheSameName)
{
    CheckCalls(CallEverySlot);
}

#if defined(__i386__)
TEST(PublicHeaderSlots, FastcallFormOfMicrosoftsCompilerMakesTheSameCalls)
{
    CheckCalls(CallEverySlotFastcall);
}
#endif

} // namespace
