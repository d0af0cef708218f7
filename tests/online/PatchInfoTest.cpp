// CPatchInfo: reading the patch description document, deciding whether it
// describes a usable patch, and saving its release notes as an HTML page.
#include "online/PatchInfo.h"

#include "http/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

using ZvOSAL::ZvPath;
using zvtest::TempFolder;

namespace {

const char kValidDocument[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<patch url=\"https://updates.example.com/Setup.exe\" filesize=\"123456\" version=\"2.1.0.0\""
    " pug_installer=\"3\"><![CDATA[<html><body><p>New!</p></body></html>]]></patch>\n";

class PatchInfoRead : public ::testing::Test {
protected:
    // Writes the document as result.xml and reads it into info.
    void ReadDocument(const std::string& document)
    {
        std::wstring path = folder.File(L"result.xml");
        ASSERT_TRUE(zvtest::WriteFileBytes(path, document));
        info.Read(ZvPath(path.c_str()));
    }

    std::wstring Description() { return info.GetDescription().c_str(); }
    std::wstring Url() { return static_cast<const wchar_t*>(info.GetUrl()); }
    std::wstring Version() { return info.GetVersion().GetDisplayName().c_str(); }

    TempFolder folder;
    CPatchInfo info;
};

TEST(PatchInfo, FreshRecordIsEmptyAndInvalid)
{
    CPatchInfo info;
    EXPECT_EQ(0, info.GetPugInstaller());
    EXPECT_EQ(0, info.GetFileSize());
    EXPECT_TRUE(info.GetHtmlPath().IsEmpty());
    EXPECT_TRUE(info.GetDescription().IsEmpty());
    EXPECT_TRUE(info.GetUrl().IsEmpty());
    EXPECT_EQ(std::wstring(L"0.0.0.0"), info.GetVersion().GetDisplayName().c_str());
    EXPECT_FALSE(info.IsValid());
}

TEST_F(PatchInfoRead, ValidDocumentWithCdataDescription)
{
    ReadDocument(kValidDocument);
    EXPECT_EQ(L"https://updates.example.com/Setup.exe", Url());
    EXPECT_EQ(123456, info.GetFileSize());
    EXPECT_EQ(L"2.1.0.0", Version());
    EXPECT_EQ(3, info.GetPugInstaller());
    EXPECT_EQ(L"<html><body><p>New!</p></body></html>", Description());
    EXPECT_TRUE(info.IsValid());
}

TEST_F(PatchInfoRead, LineBreakAfterCdataBecomesTheDescription)
{
    ReadDocument("<patch url=\"http://h/s.exe\" filesize=\"1\" version=\"1.0\"><![CDATA[<p>notes</p>]]>\n</patch>");
    EXPECT_EQ(L"\n", Description());
    // Not empty, so still usable; the saved page holds only the line break.
    EXPECT_TRUE(info.IsValid());
    info.SaveDescriptionAsHtml(ZvPath(folder.File(L"result.xml").c_str()));
    EXPECT_EQ("\n", zvtest::ReadFileBytes(folder.File(L"result.html")));
}

TEST_F(PatchInfoRead, TextOutsidePatchDoesNotTouchTheDescription)
{
    ReadDocument("<feed>before<patch url=\"http://h/s.exe\" filesize=\"5\" version=\"1.2.3.4\">inside</patch>"
                 "after<other>more text</other></feed>");
    EXPECT_EQ(L"inside", Description());
    EXPECT_EQ(L"1.2.3.4", Version());
}

TEST_F(PatchInfoRead, LastTextNodeBeforeTheEndTagWins)
{
    ReadDocument("<patch>first<!-- a comment -->second<?pi data?><![CDATA[third]]></patch>");
    EXPECT_EQ(L"third", Description());
}

TEST_F(PatchInfoRead, AttributesOnLaterElementsReplaceEarlierOnes)
{
    ReadDocument("<patch url=\"http://a/1.exe\" filesize=\"10\" version=\"1.0.0.0\" pug_installer=\"1\">"
                 "<file url=\"http://b/2.exe\" filesize=\"20\" version=\"2.0.0.0\" pug_installer=\"2\"/>"
                 "notes</patch>");
    EXPECT_EQ(L"http://b/2.exe", Url());
    EXPECT_EQ(20, info.GetFileSize());
    EXPECT_EQ(L"2.0.0.0", Version());
    EXPECT_EQ(2, info.GetPugInstaller());
    EXPECT_EQ(L"notes", Description());
}

TEST_F(PatchInfoRead, PrefixedNamesAndOtherCasesAreIgnored)
{
    ReadDocument("<root xmlns:x=\"urn:x\">"
                 "<x:patch url=\"http://wrong/1.exe\">not the description</x:patch>"
                 "<patch x:url=\"http://wrong/2.exe\" URL=\"http://wrong/3.exe\" Version=\"9.9\" FileSize=\"99\""
                 " url=\"http://right/s.exe\" filesize=\"7\" version=\"3.0\">right</patch>"
                 "</root>");
    EXPECT_EQ(L"http://right/s.exe", Url());
    EXPECT_EQ(7, info.GetFileSize());
    EXPECT_EQ(L"3.0.0.0", Version());
    EXPECT_EQ(L"right", Description());
}

TEST_F(PatchInfoRead, PrefixedPatchDoesNotOpenTheDescriptionRegion)
{
    ReadDocument("<root xmlns:x=\"urn:x\"><x:patch>text</x:patch></root>");
    EXPECT_TRUE(info.GetDescription().IsEmpty());
}

TEST_F(PatchInfoRead, NestedPatchEndTagClosesTheRegion)
{
    // A flag, not a depth: the inner end tag ends the region.
    ReadDocument("<patch>outer<patch>inner</patch>tail</patch>");
    EXPECT_EQ(L"inner", Description());
}

TEST_F(PatchInfoRead, EmptyPatchElementLeavesTheRegionOpen)
{
    ReadDocument("<root><patch url=\"http://h/s.exe\"/>text after</root>");
    EXPECT_EQ(L"text after", Description());
}

TEST_F(PatchInfoRead, DocumentTypeDeclarationStopsReading)
{
    ReadDocument("<?xml version=\"1.0\"?>\n<!DOCTYPE patch [<!ENTITY e \"x\">]>\n"
                 "<patch url=\"http://h/s.exe\" filesize=\"1\" version=\"1.0\">&e;</patch>");
    EXPECT_TRUE(info.GetUrl().IsEmpty());
    EXPECT_EQ(0, info.GetFileSize());
    EXPECT_TRUE(info.GetDescription().IsEmpty());
    EXPECT_FALSE(info.IsValid());
}

TEST_F(PatchInfoRead, BrokenDocumentKeepsWhatWasReadBeforeTheError)
{
    ReadDocument("<feed><patch url=\"http://h/s.exe\" filesize=\"42\">notes</patch><broken attr=></feed>"
                 "<patch version=\"5.0\"/>");
    EXPECT_EQ(L"http://h/s.exe", Url());
    EXPECT_EQ(42, info.GetFileSize());
    EXPECT_EQ(L"notes", Description());
    EXPECT_EQ(L"0.0.0.0", Version());
}

TEST_F(PatchInfoRead, TruncatedDocumentsEndReading)
{
    // Cut off inside text, a CDATA section, a tag or an instruction: reading
    // ends (Wine's reader would otherwise report empty nodes for ever) and
    // the attributes read so far stay.
    for (const char* document : {"<patch url=\"http://h/1\" filesize=\"1\" version=\"1.0\">notes",
                                 "<patch url=\"http://h/1\" filesize=\"1\" version=\"1.0\"><![CDATA[<p>notes",
                                 "<patch url=\"http://h/1\" filesize=\"1\" version=\"1.0\"><p cl",
                                 // Wine's reader crashed on an instruction cut off after the root.
                                 "<patch url=\"http://h/1\" filesize=\"1\" version=\"1.0\"></patch><?x"}) {
        SCOPED_TRACE(document);
        CPatchInfo fresh;
        std::wstring path = folder.File(L"truncated.xml");
        ASSERT_TRUE(zvtest::WriteFileBytes(path, document));
        fresh.Read(ZvPath(path.c_str()));
        EXPECT_EQ(std::wstring(L"http://h/1"), static_cast<const wchar_t*>(fresh.GetUrl()));
        EXPECT_EQ(1, fresh.GetFileSize());
    }
}

TEST_F(PatchInfoRead, DocumentsWithoutAnElementChangeNothing)
{
    // Wine's reader aborts the process on some of these (a document that
    // ends in or right after its XML declaration): they must not reach it.
    ReadDocument(kValidDocument);
    using namespace std::string_literals;
    for (const std::string& document :
         {"<?xm"s, "<?xml"s, "<?xml version=\"1.0\"?>"s, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>"s,
          "<!-- <patch> -->x"s, "plain text"s, "<?xml version=\"1.0\"?>\0<patch url=\"http://wrong/\"/>"s}) {
        SCOPED_TRACE(document);
        ReadDocument(document);
        EXPECT_EQ(L"https://updates.example.com/Setup.exe", Url());
        EXPECT_EQ(L"<html><body><p>New!</p></body></html>", Description());
        EXPECT_TRUE(info.IsValid());
    }
}

TEST_F(PatchInfoRead, Utf16DocumentWithByteOrderMark)
{
    const std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-16\"?><patch url=\"http://h/\u00E9.exe\" "
                              L"filesize=\"3\" version=\"4.0\">\u00DCber</patch>";
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    ReadDocument(bytes);
    EXPECT_EQ(L"http://h/\u00E9.exe", Url());
    EXPECT_EQ(L"\u00DCber", Description());
    EXPECT_TRUE(info.IsValid());
}

TEST_F(PatchInfoRead, ReadDoesNotResetFieldsTheDocumentLacks)
{
    ReadDocument(kValidDocument);
    ReadDocument("<patch version=\"3.0.0.0\"/>");
    EXPECT_EQ(L"3.0.0.0", Version());
    EXPECT_EQ(L"https://updates.example.com/Setup.exe", Url());
    EXPECT_EQ(123456, info.GetFileSize());
    EXPECT_EQ(3, info.GetPugInstaller());
}

TEST_F(PatchInfoRead, MissingOrEmptyFileChangesNothing)
{
    info.Read(ZvPath(folder.File(L"does-not-exist.xml").c_str()));
    EXPECT_FALSE(info.IsValid());
    ReadDocument("");
    EXPECT_FALSE(info.IsValid());
    EXPECT_TRUE(info.GetUrl().IsEmpty());
}

TEST_F(PatchInfoRead, NumbersAreDecimal)
{
    ReadDocument("<patch filesize=\"5000000000\" pug_installer=\"010\"/>");
    EXPECT_EQ(5000000000LL, info.GetFileSize());
    EXPECT_EQ(10, info.GetPugInstaller()); // base 10: no octal
    ReadDocument("<patch filesize=\"abc\" pug_installer=\"0x1F\"/>");
    EXPECT_EQ(0, info.GetFileSize());
    EXPECT_EQ(0, info.GetPugInstaller());
}

TEST_F(PatchInfoRead, NonAsciiDescriptionAndEntities)
{
    ReadDocument("<?xml version=\"1.0\" encoding=\"utf-8\"?><patch>Gr\xC3\xBC\xC3\x9F" "e &amp; &#x20AC;</patch>");
    EXPECT_EQ(L"Gr\u00FC\u00DFe & \u20AC", Description());
}

// What makes a record usable: each condition on its own.
struct ValidityCase {
    const char* name;
    const char* document;
    bool valid;
};

class PatchInfoValidity : public PatchInfoRead, public ::testing::WithParamInterface<ValidityCase> {};

TEST_P(PatchInfoValidity, Decides)
{
    ReadDocument(GetParam().document);
    EXPECT_EQ(GetParam().valid, info.IsValid());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PatchInfoValidity,
    ::testing::Values(
        ValidityCase{"Complete", "<patch url=\"http://h/s\" filesize=\"1\" version=\"0.0.0.1\">n</patch>", true},
        ValidityCase{"NegativeSize", "<patch url=\"http://h/s\" filesize=\"-1\" version=\"1\">n</patch>", true},
        ValidityCase{"VersionZero", "<patch url=\"http://h/s\" filesize=\"1\" version=\"0.0.0.0\">n</patch>", false},
        ValidityCase{"VersionZeroShort", "<patch url=\"http://h/s\" filesize=\"1\" version=\"0\">n</patch>", false},
        ValidityCase{"NoVersion", "<patch url=\"http://h/s\" filesize=\"1\">n</patch>", false},
        ValidityCase{"SizeZero", "<patch url=\"http://h/s\" filesize=\"0\" version=\"1.0\">n</patch>", false},
        ValidityCase{"NoSize", "<patch url=\"http://h/s\" version=\"1.0\">n</patch>", false},
        ValidityCase{"NoUrl", "<patch filesize=\"1\" version=\"1.0\">n</patch>", false},
        ValidityCase{"NoDescription", "<patch url=\"http://h/s\" filesize=\"1\" version=\"1.0\"/>", false}),
    [](const ::testing::TestParamInfo<ValidityCase>& info) { return std::string(info.param.name); });

TEST_F(PatchInfoRead, SavedPageCountsAsDescription)
{
    ReadDocument("<patch url=\"http://h/s\" filesize=\"1\" version=\"1.0\"/>");
    EXPECT_FALSE(info.IsValid());
    info.SaveDescriptionAsHtml(ZvPath(folder.File(L"result.xml").c_str()));
    EXPECT_TRUE(info.IsValid());
}

TEST_F(PatchInfoRead, SaveDescriptionWritesUtf8WithoutBomNextToTheDocument)
{
    ReadDocument("<patch><![CDATA[<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</p>]]></patch>");
    std::wstring html = folder.File(L"result.html");
    ASSERT_TRUE(zvtest::WriteFileBytes(html, std::string(1000, 'z')));
    info.SaveDescriptionAsHtml(ZvPath(folder.File(L"result.xml").c_str()));
    EXPECT_EQ(html, static_cast<const wchar_t*>(info.GetHtmlPath()));
    EXPECT_EQ("<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</p>", zvtest::ReadFileBytes(html));
}

TEST_F(PatchInfoRead, SaveDescriptionIntoAMissingFolderRemembersThePathOnly)
{
    ReadDocument(kValidDocument);
    std::wstring xml = folder.File(L"missing\\result.xml");
    info.SaveDescriptionAsHtml(ZvPath(xml.c_str()));
    EXPECT_EQ(folder.File(L"missing\\result.html"), static_cast<const wchar_t*>(info.GetHtmlPath()));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"missing\\result.html")));
}

} // namespace
