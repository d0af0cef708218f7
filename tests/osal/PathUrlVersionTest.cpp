// ZvPath, ZvURL and ZvVersion through the DLL, as a host uses them: splitting,
// building, queries, the string helpers and special folders of paths; parsing,
// rebuilding, escaping and file URLs; version texts and their order.
#include "ZvOSAL/ZvURL.h"
#include "ZvOSAL/ZvVersion.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using ZvOSAL::ZvURL;
using ZvOSAL::ZvVersion;

namespace {

std::wstring W(const ZvString& s) { return std::wstring(s.c_str(), static_cast<size_t>(s.GetLength())); }
std::wstring W(const ZvPath& p) { return W(p.ToString()); }
std::wstring W(const ZvURL& u) { return W(u.ToString()); }

std::wstring Parts(const ZvPath& p)
{
    return W(p.GetRoot()) + L"|" + W(p.GetDir()) + L"|" + W(p.GetFileName()) + L"|" + W(p.GetExt());
}

// Parameters in their order, "name=value" joined by "&".
std::wstring Parameters(const ZvURL& url)
{
    std::wstring all;
    for (unsigned int i = 0; i < url.GetParameterCount(); ++i) {
        ZvString name, value;
        EXPECT_TRUE(url.GetParameter(i, name, value));
        all += (i ? L"&" : L"") + W(name) + L"=" + W(value);
    }
    return all;
}

std::wstring WithSeparator(std::wstring s) { return s.empty() || s.back() == L'\\' ? s : s + L'\\'; }

} // namespace

TEST(Path, Splitting)
{
    const struct {
        const wchar_t* text;
        const wchar_t* parts; // root|dir|name|ext
        const wchar_t* full;  // after assignment
    } rows[] = {
        {L"C:\\a\\b\\file.txt", L"C:|\\a\\b\\|file|.txt", L"C:\\a\\b\\file.txt"},
        {L"C:file.txt", L"C:|\\|file|.txt", L"C:file.txt"},         // a drive alone means its root directory
        {L"C:\\home\\.profile", L"C:|\\home\\||.profile", L"C:\\home\\.profile"},
        {L"C:/a//b/c.txt", L"C:|\\a\\b\\|c|.txt", L"C:/a//b/c.txt"}, // repaired for splitting only
        {L"c:", L"c:|\\||", L"c:\\"},                                 // a drive gains its root directory
        {L"1:", L"1:|\\||", L"1:"},                                  // a root, but no drive letter
        {L"\\\\server\\share\\dir\\f.txt", L"\\\\server\\share|\\dir\\|f|.txt", nullptr},
        {L"\\\\server", L"\\\\server|||", nullptr},
        {L"http://h/dir/file.ext", L"http://h|/dir/|file|.ext", nullptr},
        {L"http://h", L"http://h|||", nullptr},
        {L"http://h/d/.profile", L"http://h|/d/|.profile|", nullptr}, // its only dot starts it: kept whole
    };
    for (const auto& row : rows) {
        const ZvPath path(row.text);
        EXPECT_EQ(row.parts, Parts(path)) << row.text;
        EXPECT_EQ(row.full ? row.full : row.text, W(path)) << row.text;
    }
    const ZvPath path(L"C:\\a\\b\\file.txt");
    EXPECT_EQ(L"C:\\a\\b\\|file.txt|C:\\a\\b\\file|\\a\\b\\file.txt|b",
              W(path.GetRootAndDir()) + L"|" + W(path.GetFileNameAndExt()) + L"|" + W(path.GetPathWithoutExtension()) +
                  L"|" + W(path.GetPathWithoutRoot()) + L"|" + W(path.GetDirLastComponent()));
    EXPECT_EQ(ZvPath::eDrive_C, path.GetDriveNumber());
    EXPECT_EQ(L"\\\\s\\h\\", W(ZvPath(L"\\\\s\\h").GetRootAndDir()));
    // Components follow each assignment.
    ZvPath reused(L"C:\\a\\x.txt");
    EXPECT_EQ(L".txt", W(reused.GetExt()));
    reused = L"\\\\srv\\sh\\y.doc";
    EXPECT_EQ(L"\\\\srv\\sh|\\|y|.doc", Parts(reused));
}

TEST(Path, Queries)
{
    const struct {
        const wchar_t* text;
        const char* flags; // relative, full path, directory, file, root, canonical, UNC, URL: "1" or "0" each
        ZvPath::EPathType type;
    } rows[] = {
        {L"a\\b.txt", "10010100", ZvPath::ePathType_Relative},
        {L"C:\\a\\f.txt", "01010100", ZvPath::ePathType_Local},
        {L"C:\\", "00101100", ZvPath::ePathType_Local},
        {L"C:\\a\\..\\b", "01010000", ZvPath::ePathType_Local},
        {L"1:\\a", "01010100", ZvPath::ePathType_OtherRoot},
        {L"\\\\s\\h", "00101110", ZvPath::ePathType_UNC},
        {L"http://host", "00001101", ZvPath::ePathType_URL},
        {L"", "10000100", ZvPath::ePathType_Relative},
    };
    for (const auto& row : rows) {
        const ZvPath p(row.text);
        const std::string flags = {p.IsRelative() ? '1' : '0', p.IsFullPath() ? '1' : '0', p.IsDirectory() ? '1' : '0',
                                   p.IsFile() ? '1' : '0',     p.IsRoot() ? '1' : '0',     p.IsCanonicalized() ? '1' : '0',
                                   p.IsUNC() ? '1' : '0',      p.IsURL() ? '1' : '0'};
        EXPECT_EQ(row.flags, flags) << row.text;
        EXPECT_EQ(row.type, p.GetPathType()) << row.text;
        EXPECT_EQ(p.IsUNC() || p.IsURL(), p.IsNetwork()) << row.text;
    }
    EXPECT_TRUE(ZvPath(L"\\\\server\\share\\").IsUNCServerShare()) << "a share root's separator is ignored";
    EXPECT_TRUE(ZvPath(L"\\\\server").IsUNCServer() && !ZvPath(L"\\\\server").IsUNCServerShare());
    EXPECT_EQ(L"C:\\a\\", W(ZvPath(L"C:\\a\\b\\x.txt").GetCommonPath(L"C:\\a\\c\\y.txt")));
    EXPECT_EQ(L"C:\\a\\", W(ZvPath(L"C:\\a\\.\\b\\").GetCommonPath(ZvPath(L"C:\\x\\..\\a\\c\\"))));
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\c.txt").IsSubPath(ZvPath(L"C:\\A\\")));
    EXPECT_FALSE(ZvPath(L"C:\\a\\").IsSubPath(ZvPath(L"C:\\a\\")) || ZvPath(L"C:\\ab\\").IsSubPath(ZvPath(L"C:\\a\\")));
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\").IsDirectSubDir(ZvPath(L"C:\\a\\")));
    ZvString relative(L"x");
    EXPECT_FALSE(ZvPath(L"C:\\a\\").RelativePathTo(ZvString(L"D:\\x"), relative));
    EXPECT_TRUE(relative.IsEmpty());
    // Equal ignoring case, after canonicalising.
    EXPECT_TRUE(ZvPath(L"C:\\A\\b.TXT") == ZvPath(L"c:\\a\\B.txt"));
    EXPECT_TRUE(ZvPath(L"C:\\b\\f.txt") == ZvString(L"C:\\x\\.\\..\\b\\f.txt"));
    EXPECT_TRUE(ZvPath(L"C:\\b\\") != ZvString(L"C:\\b"));
}

TEST(Path, Building)
{
    using Op = std::function<bool(ZvPath&)>;
    const struct {
        const wchar_t* start;
        Op op;
        bool result;
        const wchar_t* full;
    } rows[] = {
        {L"", [](ZvPath& p) { return p.MakePath(L"C", L"a\\b", L"f", L"txt"); }, true, L"C:\\a\\b\\f.txt"},
        {L"", [](ZvPath& p) { return p.MakePath(L"\\\\server\\share\\", L"dir", L"f", L"txt"); }, true,
         L"\\\\server\\share\\dir\\f.txt"},
        {L"", [](ZvPath& p) { return p.MakePath(L"C:", L"a", L"f", L"txt "); }, false, L"C:\\a\\f.txt"},
        {L"", [](ZvPath& p) { return p.MakePath(L"C:", L"a", L"name ", L""); }, false, L"C:\\a\\name"},
        {L"", [](ZvPath& p) { return p.MakePath(L"C:", L"a", L"name ", L"txt"); }, true, L"C:\\a\\name .txt"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetExt(L"zip"); }, true, L"C:\\a\\f.zip"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetFileNameAndExt(L"new.tar.gz"); }, true, L"C:\\a\\new.tar.gz"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetFileNameAndExt(L""); }, true, L"C:\\a\\"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetFileName(L""); }, true, L"C:\\a\\"}, // the extension goes too
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetRoot(L"D:"); }, true, L"D:\\a\\f.txt"},
        {L"D:\\a\\f.txt", [](ZvPath& p) { return p.SetRootAndDir(L"E:\\new"); }, true, L"E:\\new\\f.txt"},
        {L"C:\\a\\b\\f.txt", [](ZvPath& p) { return p.SetDirLastComponent(L"c"); }, true, L"C:\\a\\c\\f.txt"},
        {L"f.txt", [](ZvPath& p) { return p.SetDirLastComponent(L"only"); }, true, L"only\\f.txt"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.AppendDir(L"sub"); }, true, L"C:\\a\\sub\\f.txt"},
        {L"C:\\a\\b\\f.txt", [](ZvPath& p) { return p.AppendDir(L"..\\..\\z"); }, true, L"C:\\z\\f.txt"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.AppendDir(L""); }, true, L"C:\\a\\f.txt"}, // "\a\." canonicalised
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.AppendDir(L"C:\\x"); }, false, L"C:\\a\\f.txt"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.AppendDir(ZvPath(L"sub\\f.txt")); }, false, L"C:\\a\\f.txt"},
        {L"C:\\a\\b\\x.txt", [](ZvPath& p) { return p.GotoParent(); }, true, L"C:\\a\\x.txt"},
        {L"C:\\a\\x.txt", [](ZvPath& p) { return p.GotoParent() && !p.GotoParent(); }, true, L"C:\\x.txt"},
        {L"\\\\srv\\sh\\d\\f.txt", [](ZvPath& p) { return p.GotoParent(); }, true, L"\\\\srv\\sh\\f.txt"},
        // Wine 8's PathCanonicalizeW misreads "\a\.." without a trailing
        // separator; the parent of a first-level directory is still the root.
        {L"\\a\\", [](ZvPath& p) { return p.GotoParent(); }, true, L"\\"},
        {L"C:\\a\\", [](ZvPath& p) { return p.GotoParent(); }, true, L"C:\\"},
        {L"C:\\a\\.\\b\\..\\c\\f.txt", [](ZvPath& p) { return p.Canonicalize(); }, true, L"C:\\a\\c\\f.txt"},
        {L"C:\\Data\\..\\Users\\File.TXT", [](ZvPath& p) { return p.MakePretty(); }, true, L"c:\\users\\file.txt"},
        {L"", [](ZvPath& p) { return ZvPath::CombinePath(ZvPath(L"C:\\base\\"), ZvPath(L"sub\\f.txt"), p); }, true,
         L"C:\\base\\sub\\f.txt"},
        {L"", [](ZvPath& p) { return ZvPath::CombinePath(ZvPath(L"sub\\f.txt"), ZvPath(L"C:\\base\\"), p); }, true,
         L"C:\\base\\sub\\f.txt"},
        {L"x", [](ZvPath& p) { return ZvPath::CombinePath(ZvPath(L"C:\\a\\"), ZvPath(L"D:\\b\\"), p); }, false, L""},
    };
    for (const auto& row : rows) {
        ZvPath path(row.start);
        EXPECT_EQ(row.result, row.op(path)) << row.start << " -> " << row.full;
        EXPECT_EQ(row.full, W(path)) << row.start << " -> " << row.full;
    }
}

TEST(Path, StringHelpers)
{
    const struct {
        bool (*helper)(ZvString&);
        const wchar_t* input;
        bool result;
        const wchar_t* output;
    } rows[] = {
        {ZvPath::VerifyTrailingBackSlash, L"a", true, L"a\\"},
        {ZvPath::RemoveTrailingPathSeparator, L"a\\\\\\", true, L"a"},
        {ZvPath::VerifyLeadingPathSeparator, L"/a", false, L"/a"},
        {ZvPath::VerifyLeadingPeriod, L"txt", true, L".txt"},
        {ZvPath::VerifyRootColon, L"C", true, L"C:"},
        {ZvPath::VerifyRootColon, L"C:\\/", true, L"C:"},
        {ZvPath::VerifyRootColon, L"\\\\srv\\share\\", false, L"\\\\srv\\share\\"},
        {ZvPath::CheckAndRepairLocalPath, L"a//b\\\\\\\\c/", true, L"a\\b\\c\\"},
        {ZvPath::TrimTrailingDots, L"a..\\", true, L"a\\"},
        {ZvPath::TrimTrailingSpaces, L"a \t\\\\", true, L"a"},
        {ZvPath::CorrectPathForFileSystem, L"C:\\a<b>?.txt.", true, L"C:\\a(b).txt"},
        {ZvPath::CorrectPathForFileSystem, L"x\"y*z/w:v|u", true, L"x'y-z-w;v!u"},
        {ZvPath::CorrectPathForFileSystem, L"C:\\a\\b?\x01\x1f\x7f.txt", false, L"C:\\a\\b.txt"}, // removals only
        {ZvPath::CorrectPathForFileSystem, L"C:\\\x0416\x4e2d\\f\x00e9.txt", false, L"C:\\\x0416\x4e2d\\f\x00e9.txt"},
        {ZvPath::CorrectPathComponentForFileSystem, L"a:b\\c/d \t", true, L"a b-c-d"},
        {ZvPath::CorrectPathComponentForFileSystem, L"name<1>", false, L"name(1)"},
    };
    for (const auto& row : rows) {
        ZvString s(row.input);
        EXPECT_EQ(row.result, row.helper(s)) << row.input;
        EXPECT_EQ(row.output, W(s)) << row.input;
    }
    ZvPath local(L"C:\\a|b\\c?.txt"), unc(L"\\\\srv\\sh\\a|b");
    EXPECT_TRUE(ZvPath::CorrectPathForFileSystem(local));
    EXPECT_EQ(L"C:|\\a!b\\|c|.txt", Parts(local));
    EXPECT_FALSE(ZvPath::CorrectPathForFileSystem(unc));
    EXPECT_EQ(L"\\\\srv\\sh\\a|b", W(unc)) << "UNC and URL paths are left alone";
    EXPECT_EQ(ZvPath::eDrive_C, ZvPath::GetDriveNumberFromRoot(L"c"));
    for (const wchar_t* root : {L"\\\\", L"C:\\", L"1:", L""})
        EXPECT_EQ(ZvPath::eDrive_None, ZvPath::GetDriveNumberFromRoot(root)) << root;
}

TEST(Path, SpecialFolders)
{
    wchar_t temp[MAX_PATH] = {}, exe[MAX_PATH] = {}, programFiles[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE);
    const ZvPath tempFolder(ZvPath::eSF_Temp), program(ZvPath::eSF_ProgramDirectory), file(ZvPath::eSF_ProgramFile);
    EXPECT_EQ(WithSeparator(temp) + L"zv\\paths\\", W(ZvPath(ZvPath::eSF_Temp, L"zv\\paths")));
    EXPECT_TRUE(tempFolder.IsSpecialFolder() && !ZvPath::IsSpecialFolder(tempFolder, ZvPath::eSF_Fonts));
    EXPECT_EQ(exe, W(file)) << "the program's file: no trailing separator";
    EXPECT_EQ(W(program) + W(file.GetFileNameAndExt()), std::wstring(exe));
    EXPECT_EQ(WithSeparator(programFiles) + L"VSTPlugins\\", W(ZvPath(ZvPath::eSF_VSTPlugins)));
    EXPECT_EQ(W(ZvPath(ZvPath::eSF_Desktop)), W(ZvPath(static_cast<ZvPath::ESpecialFolders>(60))));
    EXPECT_TRUE(ZvPath(ZvPath::eSF_Drives, L"sub").IsEmpty()) << "a virtual folder has no path, nor a subfolder";
}

// The common URLs are split and rebuilt by the randomised test; these are the
// edges it does not make.
TEST(Url, ParsingEdges)
{
    const struct {
        const wchar_t* text;
        ZvURL::EProtocol protocol;
        const wchar_t* parts; // user|host|domain|tld|port|path|parameters|fragment
    } rows[] = {
        {L"https://user:pw@www.example.com:8443/a/b?y=2&x=1#f", ZvURL::eProtocol_HTTPS,
         L"user|www|example|com|8443|a/b|x=1&y=2|f"},
        {L"http://a.b.c.d/x", ZvURL::eProtocol_HTTP, L"|a.b|c|d|0|x||"},            // the last two dots split
        {L"http://h:99999/x", ZvURL::eProtocol_HTTP, L"|h|||34463|x||"},          // kept in 16 bits
        {L"http://h:8080?a=1", ZvURL::eProtocol_HTTP, L"|h|||0|||"},              // no "/" after the port
        {L"http://h//a/b", ZvURL::eProtocol_HTTP, L"|h|||0|a/b||"},               // every leading "/" goes
        {L"http://h//a?x=1", ZvURL::eProtocol_HTTP, L"|h|||0|/a|x=1|"},           // one only, before a query
        {L"http://h/p#a=1#b", ZvURL::eProtocol_HTTP, L"|h|||0|p||a=1#b"},
        {L"http://h/p?flag&b=2&a=1&a=3&=e", ZvURL::eProtocol_HTTP, L"|h|||0|p|=e&a=1&b=2|"}, // first name wins
        {L"HTTPS://h/p", ZvURL::eProtocol_None, L"|h|||0|p||"},                   // the text test is case-sensitive
        {L"www.example.com/a?x=1#f", ZvURL::eProtocol_None, L"||||0|||"},       // no "://": no parts
    };
    for (const auto& row : rows) {
        const ZvURL url(row.text);
        EXPECT_EQ(row.text, W(url)) << "kept as given";
        EXPECT_EQ(row.protocol, url.GetProtocol()) << row.text;
        const std::wstring parts = W(url.GetUser()) + L"|" + W(url.GetHost()) + L"|" + W(url.GetDomain()) + L"|" +
                                   W(url.GetTLD()) + L"|" + std::to_wstring(url.GetPort()) + L"|" + W(url.GetPath()) +
                                   L"|" + Parameters(url) + L"|" + W(url.GetFragment());
        EXPECT_EQ(row.parts, parts) << row.text;
    }
    EXPECT_EQ(ZvURL::eProtocol_HTTP, ZvURL::GetProtocol(ZvString(L"HTTP://")));
    EXPECT_EQ(ZvURL::eProtocol_About, ZvURL(L"about:blank").GetProtocol()) << "the text's start decides";
    EXPECT_EQ(L"", W(ZvURL::GetProtocol(static_cast<ZvURL::EProtocol>(6))));

    ZvURL url(L"https://www.example.com");
    EXPECT_TRUE(url.AddParameter(L"b", L"1") && url.AddParameter(L"a", L"q r&s"));
    EXPECT_FALSE(url.AddParameter(L"a", L"3")) << "the first value of a name stays";
    EXPECT_EQ(L"https://www.example.com?a=q r&s&b=1", W(url)) << "\"?\" after the host, sorted, as given";
    EXPECT_TRUE(url.RemoveParameter(0));
    EXPECT_FALSE(url.RemoveParameter(7));
    EXPECT_EQ(L"https://www.example.com?a=q r&s&b=1", W(url)) << "the text follows with the next change only";
    url.SetUser(L"u");
    url.SetPort(81);
    url.SetProtocol(ZvURL::eProtocol_None);
    EXPECT_EQ(L"://u@www.example.com:81?b=1", W(url)) << "the separator is always written";
    ZvURL upper(L"HTTPS://h/p");
    upper.SetPort(444);
    EXPECT_EQ(L"https://h:444/p", W(upper)) << "a capitalised scheme is rebuilt in small letters";
}

TEST(Url, EscapingAndFileUrls)
{
    EXPECT_EQ(L"a%20b%2Fc%5Cd%3Fe%23f%26g=h", W(ZvURL::Escaping(ZvString(L"a b/c\\d?e#f&g=h"))));
    EXPECT_EQ(L"a b?c%20d", W(ZvURL::UnEscaping(ZvString(L"a%20b?c%20d")))) << "nothing after \"?\"";
    EXPECT_EQ(9000, ZvURL::Escaping(ZvString(std::wstring(3000, L' ').c_str())).GetLength()) << "a second buffer";
    ZvURL url(L"http://h/p");
    url.AddParameter(L"q", L"a b");
    url.SetFragment(L"see here");
    url.Escaping();
    url.UnEscaping(ZvURL::eComponent_Parameters);
    url.Escaping(ZvURL::eComponent_URL); // rebuilt from the parts: no lasting effect
    EXPECT_EQ(L"http://h/p?q=a b#see%20here", W(url));

    const wchar_t* const files[][2] = {{L"C:\\my dir\\a#b?.txt", L"file:///C:/my%20dir/a%23b%3F.txt"},
                                       {L"\\\\server\\share\\f.txt", L"file://server/share/f.txt"}};
    for (const auto& row : files) {
        ZvURL file;
        file = ZvPath(row[0]);
        EXPECT_EQ(row[1], W(file));
        ZvPath back;
        EXPECT_TRUE(file.ConvertToZvPath(back, true));
        EXPECT_EQ(row[0], W(back));
    }
    ZvPath back(L"C:\\unchanged");
    EXPECT_TRUE(ZvURL(ZvPath(L"C:\\my dir\\f")).ConvertToZvPath(back, false));
    EXPECT_EQ(L"C:\\my%20dir\\f", W(back));
    for (const wchar_t* text : {L"http://h/dir/f.txt", L"file://host"})
        EXPECT_FALSE(ZvURL(text).ConvertToZvPath(back, true)) << text;
}

TEST(Version, TextsAndOrder)
{
    const struct {
        const wchar_t* text;
        const wchar_t* display;
    } rows[] = {
        {L"1.2", L"1.2.0.0"}, {L"1.2.3.4.5", L"1.2.3.4"}, {L"1.2.", L"1.2.0.0"}, {L"1..3.4", L"1.0.3.4"},
        {L".1.2", L"1.2.0.0"}, {L"", L"0.0.0.0"}, {L"10.0b.7", L"10.0.7.0"}, {L"v1.2", L"0.2.0.0"},
        {L" 7. 8", L"7.8.0.0"},
        {L"4294967295.4294967296.99999999999999999999", L"4294967295.4294967295.4294967295.0"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.display, W(ZvVersion(ZvString(row.text)).GetDisplayName())) << row.text;
    ZvVersion v(ZvString(L"1.2.3.4"));
    v = ZvString(L"5");
    EXPECT_EQ(L"5.0.0.0", W(v.GetDisplayName())) << "assignment replaces every part";
    v = ZvVersion(1, 2, 3, 4);
    v.SetVersion(static_cast<ZvVersion::EVersion>(4), 9);
    EXPECT_EQ(0ul, v.GetVersion(static_cast<ZvVersion::EVersion>(-1))) << "outside 0..3: nothing";
    EXPECT_EQ(L"1.2.3.4", W(v.GetDisplayName()));

    const ZvVersion v1_9(ZvString(L"1.9")), v1_10(ZvString(L"1.10")), same(ZvString(L"1.10.0.0"));
    EXPECT_TRUE(v1_10 > v1_9 && v1_9 < v1_10 && v1_10 >= v1_9 && v1_9 <= v1_10) << "numeric, not textual";
    EXPECT_FALSE(v1_9 > v1_10 || v1_9 == v1_10 || same < v1_10 || same > v1_10);
    EXPECT_TRUE(same == v1_10 && same <= v1_10 && same >= v1_10);
    EXPECT_TRUE(ZvVersion(2, 0, 0, 0) > ZvVersion(1, 99, 99, 99)) << "the first difference decides";
    EXPECT_TRUE(ZvVersion(0, 0, 0, 4294967295ul) > ZvVersion(0, 0, 0, 2147483648ul)) << "parts are unsigned";
}
