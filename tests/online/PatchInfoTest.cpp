// CPatchInfo: what a patch description document yields, whether it is a
// usable patch, and the release notes page it saves. One table of documents.
#include "online/PatchInfo.h"

#include "support/Files.h"

#include <gtest/gtest.h>

#include <string>

using ZvOSAL::ZvPath;

namespace {

struct Expected {
    const wchar_t* url;
    long long size;
    const wchar_t* version;
    int kind;
    const wchar_t* description;
    bool valid;
};

struct DocumentCase {
    const char* name;
    std::string document;
    Expected expected;
};

std::wstring Text(const wchar_t* text)
{
    return text;
}

std::string Utf16(const std::wstring& text)
{
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

class PatchInfoRead : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(PatchInfoRead, Yields)
{
    zvtest::TempFolder folder;
    const std::wstring path = folder.Path(L"result.xml");
    ASSERT_TRUE(zvtest::WriteFileBytes(path, GetParam().document));
    CPatchInfo info;
    info.Read(ZvPath(path.c_str()));
    const Expected& e = GetParam().expected;
    EXPECT_EQ(e.url, Text(info.GetUrl()));
    EXPECT_EQ(e.size, info.GetFileSize());
    EXPECT_EQ(e.version, Text(info.GetVersion().GetDisplayName()));
    EXPECT_EQ(e.kind, info.GetPugInstaller());
    EXPECT_EQ(e.description, Text(info.GetDescription()));
    EXPECT_EQ(e.valid, info.IsValid());
}

const char kHead[] = "<patch url=\"http://h/s.exe\" filesize=\"5\" version=\"1.2\"";

INSTANTIATE_TEST_SUITE_P(
    Documents, PatchInfoRead,
    ::testing::Values(
        DocumentCase{"CdataDescription",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<patch url=\"https://u.example.com/Setup.exe\" "
                     "filesize=\"123456\" version=\"2.1.0.0\" pug_installer=\"3\"><![CDATA[<p>New!</p>]]></patch>\n",
                     {L"https://u.example.com/Setup.exe", 123456, L"2.1.0.0", 3, L"<p>New!</p>", true}},
        DocumentCase{"LineBreakAfterCdataIsTheDescription", std::string(kHead) + "><![CDATA[<p>n</p>]]>\n</patch>",
                     {L"http://h/s.exe", 5, L"1.2.0.0", 0, L"\n", true}},
        DocumentCase{"LastTextBeforeTheEndTagWins",
                     std::string("<feed>before") + kHead + ">first<!-- c -->second<?pi d?><![CDATA[third]]></patch>"
                                                             "after<o>more</o></feed>",
                     {L"http://h/s.exe", 5, L"1.2.0.0", 0, L"third", true}},
        DocumentCase{"LaterElementsReplaceAttributes",
                     "<patch url=\"http://a/1\" filesize=\"10\" version=\"1.0\" pug_installer=\"1\"><f url=\"http://b/2\" "
                     "filesize=\"20\" version=\"2.0\" pug_installer=\"2\"/>notes</patch>",
                     {L"http://b/2", 20, L"2.0.0.0", 2, L"notes", true}},
        DocumentCase{"PrefixesAndOtherCasesAreIgnored",
                     "<r xmlns:x=\"u\"><x:patch url=\"http://w/1\">no</x:patch><patch x:url=\"http://w/2\" "
                     "URL=\"http://w/3\" FileSize=\"9\" url=\"http://r/s\" filesize=\"7\" version=\"3\">yes</patch></r>",
                     {L"http://r/s", 7, L"3.0.0.0", 0, L"yes", true}},
        DocumentCase{"NestedEndTagClosesTheRegion", "<patch>outer<patch>inner</patch>tail</patch>",
                     {L"", 0, L"0.0.0.0", 0, L"inner", false}},
        DocumentCase{"EmptyPatchLeavesTheRegionOpen", "<r><patch url=\"http://h/s\"/>text after</r>",
                     {L"http://h/s", 0, L"0.0.0.0", 0, L"text after", false}},
        DocumentCase{"DoctypeStopsReading",
                     std::string("<?xml version=\"1.0\"?><!DOCTYPE patch [<!ENTITY e \"x\">]>") + kHead + ">&e;</patch>",
                     {L"", 0, L"0.0.0.0", 0, L"", false}},
        DocumentCase{"ErrorKeepsWhatWasRead",
                     "<f><patch url=\"http://h/s\" filesize=\"42\">n</patch><b a=></f><patch version=\"5\"/>",
                     {L"http://h/s", 42, L"0.0.0.0", 0, L"n", false}},
        DocumentCase{"CutInsideCdata", std::string(kHead) + "><![CDATA[<p>notes", {L"http://h/s.exe", 5, L"1.2.0.0", 0, L"", false}},
        DocumentCase{"CutInsideATag", std::string(kHead) + "><p cl", {L"http://h/s.exe", 5, L"1.2.0.0", 0, L"", false}},
        // Wine's reader crashed on an instruction cut off after the root and
        // aborts on documents that end in their declaration: never reached.
        DocumentCase{"CutInstructionAfterTheRoot", std::string(kHead) + ">n</patch><?x",
                     {L"http://h/s.exe", 5, L"1.2.0.0", 0, L"n", true}},
        DocumentCase{"OnlyADeclaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>", {L"", 0, L"0.0.0.0", 0, L"", false}},
        DocumentCase{"CutDeclaration", "<?xm", {L"", 0, L"0.0.0.0", 0, L"", false}},
        DocumentCase{"Utf16WithByteOrderMark",
                     Utf16(L"<?xml version=\"1.0\" encoding=\"utf-16\"?><patch url=\"http://h/\u00E9\" filesize=\"3\" "
                           L"version=\"4\">\u00DCber</patch>"),
                     {L"http://h/\u00E9", 3, L"4.0.0.0", 0, L"\u00DCber", true}},
        DocumentCase{"DecimalNumbersOnly", "<patch filesize=\"5000000000\" pug_installer=\"010\"/>",
                     {L"", 5000000000LL, L"0.0.0.0", 10, L"", false}},
        DocumentCase{"NonNumbers", "<patch filesize=\"abc\" pug_installer=\"0x1F\"/>", {L"", 0, L"0.0.0.0", 0, L"", false}},
        DocumentCase{"EntitiesAndUtf8", "<?xml version=\"1.0\"?><patch>Gr\xC3\xBC\xC3\x9F" "e &amp; &#x20AC;</patch>",
                     {L"", 0, L"0.0.0.0", 0, L"Gr\u00FC\u00DFe & \u20AC", false}},
        DocumentCase{"NegativeSizeCounts", "<patch url=\"h\" filesize=\"-1\" version=\"0.0.0.1\">n</patch>",
                     {L"h", -1, L"0.0.0.1", 0, L"n", true}},
        DocumentCase{"VersionZero", "<patch url=\"h\" filesize=\"1\" version=\"0\">n</patch>", {L"h", 1, L"0.0.0.0", 0, L"n", false}},
        DocumentCase{"SizeZero", "<patch url=\"h\" filesize=\"0\" version=\"1\">n</patch>", {L"h", 0, L"1.0.0.0", 0, L"n", false}},
        DocumentCase{"NoUrl", "<patch filesize=\"1\" version=\"1\">n</patch>", {L"", 1, L"1.0.0.0", 0, L"n", false}},
        DocumentCase{"NoDescription", "<patch url=\"h\" filesize=\"1\" version=\"1\"/>", {L"h", 1, L"1.0.0.0", 0, L"", false}}),
    [](const ::testing::TestParamInfo<DocumentCase>& info) { return std::string(info.param.name); });

TEST(PatchInfo, ReadKeepsWhatADocumentLacksAndTheSavedPageCountsAsDescription)
{
    zvtest::TempFolder folder;
    const std::wstring xml = folder.Path(L"result.xml");
    CPatchInfo info;
    ASSERT_TRUE(zvtest::WriteFileBytes(xml, "<patch url=\"http://h/s\" filesize=\"9\" version=\"1\" pug_installer=\"4\"/>"));
    info.Read(ZvPath(xml.c_str()));
    ASSERT_TRUE(zvtest::WriteFileBytes(xml, "<patch version=\"3.0\" sha256=\"AB\"/>"));
    info.Read(ZvPath(xml.c_str()));
    info.Read(ZvPath(folder.Path(L"missing.xml").c_str()));
    EXPECT_EQ(L"http://h/s", Text(info.GetUrl()));
    EXPECT_EQ(L"3.0.0.0", Text(info.GetVersion().GetDisplayName()));
    EXPECT_EQ(4, info.GetPugInstaller());
    EXPECT_EQ(L"AB", Text(info.GetSha256()));
    EXPECT_FALSE(info.IsValid());
    // A folder that does not exist leaves only the remembered path, and a
    // page path counts as a description.
    info.SaveDescriptionAsHtml(ZvPath(folder.Path(L"no\\result.xml").c_str()));
    EXPECT_EQ(folder.Path(L"no\\result.html"), Text(info.GetHtmlPath().ToString()));
    EXPECT_FALSE(zvtest::FileExists(folder.Path(L"no\\result.html")));
    EXPECT_TRUE(info.IsValid());
    // The page replaces an existing file, in UTF-8 without a byte-order mark.
    ASSERT_TRUE(zvtest::WriteFileBytes(folder.Path(L"result.html"), std::string(1000, 'z')));
    ASSERT_TRUE(zvtest::WriteFileBytes(xml, "<patch><![CDATA[<p>\xE2\x82\xAC</p>]]></patch>"));
    info.Read(ZvPath(xml.c_str()));
    info.SaveDescriptionAsHtml(ZvPath(xml.c_str()));
    EXPECT_EQ("<p>\xE2\x82\xAC</p>", zvtest::ReadFileBytes(folder.Path(L"result.html")));
}

} // namespace
