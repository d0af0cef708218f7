// The customer-data viewer: the file read in 259-byte pieces, line feeds
// shown as CR LF, and the dialog itself with its read-only field.
#include "dialogs/CRMViewer.h"

#include "dialogs/DialogDriver.h"
#include "support/Files.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Read(const std::wstring& path)
{
    return std::wstring(CCRMViewer::ReadDataFile(path.c_str()).c_str());
}

TEST(CRMViewerFile, LinesBecomeCarriageReturnLineFeed)
{
    zvtest::TempFolder folder;
    std::wstring path = folder.Path(L"crm.txt");
    ASSERT_TRUE(zvtest::WriteFileBytes(path, "Program=Test\nVersion=1.0\n"));
    EXPECT_EQ(L"Program=Test\r\nVersion=1.0\r\n", Read(path));
    // Text mode: a CR LF in the file is one line end, shown once.
    ASSERT_TRUE(zvtest::WriteFileBytes(path, "a\r\nb"));
    EXPECT_EQ(L"a\r\nb", Read(path));
    ASSERT_TRUE(zvtest::WriteFileBytes(path, ""));
    EXPECT_EQ(L"", Read(path));
    EXPECT_EQ(L"", Read(folder.Path(L"missing.txt")));
    EXPECT_EQ(L"", std::wstring(CCRMViewer::ReadDataFile(nullptr).c_str()));
}

TEST(CRMViewerFile, LongLinesArriveInPiecesAndAreJoined)
{
    zvtest::TempFolder folder;
    std::wstring path = folder.Path(L"long.txt");
    std::string line;
    for (int i = 0; i < 600; ++i)
        line += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(zvtest::WriteFileBytes(path, line + "\nend"));
    std::wstring expected(line.begin(), line.end());
    expected += L"\r\nend";
    EXPECT_EQ(expected, Read(path));
    // Exactly one piece long, and one byte more.
    for (size_t size : {258u, 259u, 260u, 518u}) {
        std::string exact(size, 'x');
        ASSERT_TRUE(zvtest::WriteFileBytes(path, exact + "\n"));
        EXPECT_EQ(std::wstring(size, L'x') + L"\r\n", Read(path)) << size;
    }
}

TEST(CRMViewerFile, EightBitTextIsConvertedFromTheAnsiCodePage)
{
    zvtest::TempFolder folder;
    std::wstring path = folder.Path(L"ansi.txt");
    std::string bytes = "Gr\xFC\xDF"; // "Grüß" in code page 1252
    ASSERT_TRUE(zvtest::WriteFileBytes(path, bytes));
    wchar_t expected[8] = {};
    MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, expected, 8);
    EXPECT_EQ(std::wstring(expected), Read(path));
}

TEST(CRMViewerDialog, ShowsTheHostsTextFileReadOnlyAndClosesWithOne)
{
    zvtest::TempFolder folder;
    std::wstring path = folder.Path(L"crm-view.txt");
    ASSERT_TRUE(zvtest::WriteFileBytes(path, "Program=Test\nSerial=123\n"));
    zvtest::RecordingHost host;
    host.settings.crmViewFile = path;
    host.settings.crmUploadFile = folder.Path(L"upload.zip");

    CCRMViewer viewer(&host, nullptr);
    EXPECT_EQ(std::wstring(path), std::wstring(static_cast<const wchar_t*>(viewer.GetDataFile())));
    std::wstring shown;
    bool readOnly = false;
    zvtest::DialogDriver driver(GetCurrentThreadId(), [&](zvtest::DialogDriver& d) {
        HWND dialog = d.WaitDialog(IDC_EDIT_CRM);
        shown = zvtest::DialogDriver::Text(dialog, IDC_EDIT_CRM);
        readOnly = (GetWindowLongW(zvtest::DialogDriver::Item(dialog, IDC_EDIT_CRM), GWL_STYLE) & ES_READONLY) != 0;
        zvtest::DialogDriver::Click(dialog, IDOK);
        d.WaitDialogGone(IDC_EDIT_CRM);
    });
    INT_PTR result = viewer.DoModal();
    EXPECT_TRUE(driver.Finish());
    for (const std::string& failure : driver.Failures())
        ADD_FAILURE() << failure;
    EXPECT_EQ(1, result);
    EXPECT_EQ(L"Program=Test\r\nSerial=123\r\n", shown);
    EXPECT_TRUE(readOnly);
}

TEST(CRMViewerDialog, WithoutConfigurationTheFieldIsEmpty)
{
    CCRMViewer viewer(nullptr, nullptr);
    EXPECT_TRUE(viewer.GetDataFile().IsEmpty());
    std::wstring shown = L"(not read)";
    zvtest::DialogDriver driver(GetCurrentThreadId(), [&](zvtest::DialogDriver& d) {
        HWND dialog = d.WaitDialog(IDC_EDIT_CRM);
        shown = zvtest::DialogDriver::Text(dialog, IDC_EDIT_CRM);
        zvtest::DialogDriver::Click(dialog, IDOK);
        d.WaitDialogGone(IDC_EDIT_CRM);
    });
    EXPECT_EQ(1, viewer.DoModal());
    EXPECT_TRUE(driver.Finish());
    EXPECT_EQ(L"", shown);
}

} // namespace
