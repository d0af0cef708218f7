// ZvPath, ZvURL and ZvVersion through the DLL, as a host uses them: splitting,
// building, queries, the string helpers and special folders of paths; parsing,
// rebuilding, escaping and file URLs; version texts. Then their randomised
// robustness: many random and mutated texts go through every parser and
// builder (no crash, no hang, invariants hold), URLs built from random valid
// parts split back into those parts, and versions order as their four
// numbers do. Seeded: the seed is printed, and ZV_FUZZ_SEED=<n> repeats a run.
#include "ZvOSAL/ZvURL.h"
#include "ZvOSAL/ZvVersion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using ZvOSAL::ZvURL;
using ZvOSAL::ZvVersion;

namespace {

std::wstring W(const ZvString& s) { return std::wstring(s.c_str(), static_cast<size_t>(s.GetLength())); }
std::wstring W(const ZvPath& p) { return W(p.ToString()); }
std::wstring W(const ZvURL& u) { return W(u.ToString()); }
ZvString Z(const std::wstring& s) { return ZvString(s.c_str(), static_cast<int>(s.size())); }

std::wstring Parts(const ZvPath& p)
{
    return W(p.GetRoot()) + L"|" + W(p.GetDir()) + L"|" + W(p.GetFileName()) + L"|" + W(p.GetExt());
}

// Every part of a URL, and its parameters in their order.
std::wstring Describe(const ZvURL& url)
{
    std::wstring all = W(url.GetUser()) + L"|" + W(url.GetPassword()) + L"|" + W(url.GetHost()) + L"|" +
                       W(url.GetDomain()) + L"|" + W(url.GetTLD()) + L"|" + std::to_wstring(url.GetPort()) + L"|" +
                       W(url.GetPath()) + L"|" + W(url.GetFragment());
    ZvString name, value;
    for (unsigned int i = 0; url.GetParameter(i, name, value); ++i)
        all += L"|" + W(name) + L"=" + W(value);
    return all;
}

} // namespace

TEST(Path, Splitting)
{
    const wchar_t* const rows[][3] = { // text, root|dir|name|ext, the text after assignment
        {L"C:\\a\\b\\file.txt", L"C:|\\a\\b\\|file|.txt", L"C:\\a\\b\\file.txt"},
        {L"C:file.txt", L"C:|\\|file|.txt", L"C:file.txt"},         // a drive alone means its root directory
        {L"C:/a//b/c.txt", L"C:|\\a\\b\\|c|.txt", L"C:/a//b/c.txt"}, // repaired for splitting only
        {L"c:", L"c:|\\||", L"c:\\"},                                 // a drive gains its root directory
        {L"\\\\server\\share\\dir\\f.txt", L"\\\\server\\share|\\dir\\|f|.txt", nullptr},
        {L"http://h/dir/file.ext", L"http://h|/dir/|file|.ext", nullptr},
        {L"http://h/d/.profile", L"http://h|/d/|.profile|", nullptr}, // its only dot starts it: kept whole
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row[1], Parts(ZvPath(row[0]))) << row[0];
        EXPECT_EQ(row[2] ? row[2] : row[0], W(ZvPath(row[0]))) << row[0];
    }
    const ZvPath path(L"C:\\a\\b\\file.txt");
    EXPECT_EQ(L"C:\\a\\b\\|file.txt|C:\\a\\b\\file|\\a\\b\\file.txt|b",
              W(path.GetRootAndDir()) + L"|" + W(path.GetFileNameAndExt()) + L"|" + W(path.GetPathWithoutExtension()) +
                  L"|" + W(path.GetPathWithoutRoot()) + L"|" + W(path.GetDirLastComponent()));
}

TEST(Path, Queries)
{
    const struct {
        const wchar_t* text;
        const char* flags; // relative, full path, directory, file, root, canonical, UNC, URL, network: 1 or 0
        ZvPath::EPathType type;
    } rows[] = {
        {L"a\\b.txt", "100101000", ZvPath::ePathType_Relative},
        {L"C:\\a\\f.txt", "010101000", ZvPath::ePathType_Local},
        {L"C:\\a\\..\\b", "010100000", ZvPath::ePathType_Local},
        {L"1:\\a", "010101000", ZvPath::ePathType_OtherRoot},
        {L"\\\\s\\h", "001011101", ZvPath::ePathType_UNC},
        {L"http://host", "000011011", ZvPath::ePathType_URL},
    };
    for (const auto& row : rows) {
        const ZvPath p(row.text);
        std::string flags;
        for (bool value : {p.IsRelative(), p.IsFullPath(), p.IsDirectory(), p.IsFile(), p.IsRoot(), p.IsCanonicalized(),
                           p.IsUNC(), p.IsURL(), p.IsNetwork()})
            flags += value ? '1' : '0';
        EXPECT_TRUE(row.flags == flags && row.type == p.GetPathType()) << row.text << ": " << flags;
    }
    EXPECT_EQ(L"C:\\a\\", W(ZvPath(L"C:\\a\\.\\b\\x.txt").GetCommonPath(L"C:\\x\\..\\a\\c\\"))) << "canonical";
    EXPECT_TRUE(ZvPath(L"C:\\a\\b\\c.txt").IsSubPath(ZvPath(L"C:\\A\\")) &&
                !ZvPath(L"C:\\ab\\").IsSubPath(ZvPath(L"C:\\a\\")));
    EXPECT_TRUE(ZvPath(L"C:\\B\\f.txt") == ZvString(L"c:\\x\\.\\..\\b\\F.txt")) << "canonical, ignoring case";
}

TEST(Path, Building)
{
    const struct {
        const wchar_t* start;
        std::function<bool(ZvPath&)> op;
        bool result;
        const wchar_t* full;
    } rows[] = {
        {L"", [](ZvPath& p) { return p.MakePath(L"C", L"a\\b", L"f", L"txt"); }, true, L"C:\\a\\b\\f.txt"},
        {L"C:\\a\\f.txt", [](ZvPath& p) { return p.SetFileName(L""); }, true, L"C:\\a\\"}, // the extension goes too
        {L"C:\\a\\b\\f.txt", [](ZvPath& p) { return p.SetDirLastComponent(L"c"); }, true, L"C:\\a\\c\\f.txt"},
        {L"C:\\a\\b\\f.txt", [](ZvPath& p) { return p.AppendDir(L"..\\..\\z"); }, true, L"C:\\z\\f.txt"},
        {L"C:\\a\\x.txt", [](ZvPath& p) { return p.GotoParent() && !p.GotoParent(); }, true, L"C:\\x.txt"},
        // Wine 8's PathCanonicalizeW misreads "\a\.." without a trailing
        // separator; the parent of a first-level directory is still the root.
        {L"\\a\\", [](ZvPath& p) { return p.GotoParent(); }, true, L"\\"},
        {L"", [](ZvPath& p) { return ZvPath::CombinePath(ZvPath(L"C:\\base\\"), ZvPath(L"sub\\f.txt"), p); }, true,
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
        {ZvPath::RemoveTrailingPathSeparator, L"a\\\\\\", true, L"a"},
        {ZvPath::CheckAndRepairLocalPath, L"a//b\\\\\\\\c/", true, L"a\\b\\c\\"},
        {ZvPath::CorrectPathForFileSystem, L"C:\\a<b>?.txt.", true, L"C:\\a(b).txt"},
        {ZvPath::CorrectPathForFileSystem, L"C:\\a\\b?\x01\x1f\x7f.txt", false, L"C:\\a\\b.txt"}, // removals only
    };
    for (const auto& row : rows) {
        ZvString s(row.input);
        EXPECT_EQ(row.result, row.helper(s)) << row.input;
        EXPECT_EQ(row.output, W(s)) << row.input;
    }
    ZvPath unc(L"\\\\srv\\sh\\a|b");
    EXPECT_TRUE(!ZvPath::CorrectPathForFileSystem(unc) && W(unc) == L"\\\\srv\\sh\\a|b") << "UNC paths are left alone";
}

// The common URLs are split and rebuilt by the randomised test; these are the
// edges it does not make.
TEST(Url, ParsingEdges)
{
    const struct {
        const wchar_t* text;
        ZvURL::EProtocol protocol;
        const wchar_t* parts; // as Describe writes them
    } rows[] = {
        {L"https://user:pw@www.example.com:8443/a/b?y=2&x=1#f", ZvURL::eProtocol_HTTPS,
         L"user|pw|www|example|com|8443|a/b|f|x=1|y=2"},
        {L"http://a.b.c.d/x", ZvURL::eProtocol_HTTP, L"||a.b|c|d|0|x|"},       // the last two dots split
        {L"http://h:99999/x", ZvURL::eProtocol_HTTP, L"||h|||34463|x|"},     // kept in 16 bits
        {L"http://h:8080?a=1", ZvURL::eProtocol_HTTP, L"||h|||0||"},         // no "/" after the port
        {L"http://h//a?x=1", ZvURL::eProtocol_HTTP, L"||h|||0|/a||x=1"},     // one "/" only, before a query
        {L"http://h/p?flag&b=2&a=1&a=3&=e", ZvURL::eProtocol_HTTP, L"||h|||0|p||=e|a=1|b=2"}, // first name wins
        {L"HTTPS://h/p", ZvURL::eProtocol_None, L"||h|||0|p|"},              // the text test is case-sensitive
    };
    for (const auto& row : rows) {
        const ZvURL url(row.text);
        EXPECT_TRUE(W(url) == row.text && url.GetProtocol() == row.protocol) << row.text;
        EXPECT_EQ(row.parts, Describe(url)) << row.text;
    }

    ZvURL url(L"https://www.example.com");
    EXPECT_TRUE(url.AddParameter(L"b", L"1") && url.AddParameter(L"a", L"q r&s"));
    EXPECT_EQ(L"https://www.example.com?a=q r&s&b=1", W(url)) << "\"?\" after the host, sorted, as given";
    url.RemoveParameter(0);
    url.SetUser(L"u");
    url.SetPort(81);
    url.SetProtocol(ZvURL::eProtocol_None);
    EXPECT_EQ(L"://u@www.example.com:81?b=1", W(url)) << "the separator is always written";
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
    EXPECT_EQ(L"http://h/p?q=a b#see%20here", W(url));

    const wchar_t* const files[][2] = {{L"C:\\my dir\\a#b?.txt", L"file:///C:/my%20dir/a%23b%3F.txt"},
                                       {L"\\\\server\\share\\f.txt", L"file://server/share/f.txt"}};
    for (const auto& row : files) {
        ZvURL file;
        file = ZvPath(row[0]);
        EXPECT_EQ(row[1], W(file));
        ZvPath back;
        EXPECT_TRUE(file.ConvertToZvPath(back, true) && W(back) == row[0]) << row[0];
    }
    ZvPath back;
    for (const wchar_t* text : {L"http://h/dir/f.txt", L"file://host"})
        EXPECT_FALSE(ZvURL(text).ConvertToZvPath(back, true)) << text;
}

// Random texts and the order of parsed versions: the randomised tests below.
TEST(Version, Texts)
{
    const wchar_t* const rows[][2] = {
        {L"1.2.3.4.5", L"1.2.3.4"}, {L"1..3.4", L"1.0.3.4"}, {L"10.0b.7", L"10.0.7.0"}, {L"v1.2", L"0.2.0.0"},
        {L"4294967295.4294967296.99999999999999999999", L"4294967295.4294967295.4294967295.0"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row[1], W(ZvVersion(ZvString(row[0])).GetDisplayName())) << row[0];
    ZvVersion v(ZvString(L"1.2.3.4"));
    EXPECT_EQ(L"5.0.0.0", W((v = ZvString(L"5")).GetDisplayName())) << "assignment replaces every part";
    EXPECT_TRUE(ZvVersion(ZvString(L"1.10")) > ZvVersion(ZvString(L"1.9"))) << "numeric, not textual";
}

namespace {

const int kRandomTexts = 4000;
const int kMutatedTexts = 4000;
const int kBuiltUrls = 3000;

unsigned int Seed()
{
    static unsigned int seed = [] {
        const char* text = std::getenv("ZV_FUZZ_SEED");
        unsigned int value = text ? static_cast<unsigned int>(std::strtoul(text, nullptr, 10)) : 20240611u;
        std::printf("path/URL robustness seed: %u (repeat with ZV_FUZZ_SEED=%u)\n", value, value);
        return value;
    }();
    return seed;
}

class Random {
public:
    explicit Random(unsigned int seed) : m_engine(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_engine); }
    bool OneIn(int n) { return Below(n) == 0; }
    wchar_t Pick(const std::wstring& set) { return set[static_cast<size_t>(Below(static_cast<int>(set.size())))]; }
    std::wstring Text(const std::wstring& set, int minLength, int maxLength)
    {
        std::wstring text;
        for (int length = minLength + Below(maxLength - minLength + 1); length > 0; --length)
            text += Pick(set);
        return text;
    }

private:
    std::mt19937 m_engine;
};

// Characters that mean something to paths or URLs, plain ones, control
// characters, non-ASCII and a lone surrogate.
const std::wstring kMetaAlphabet = std::wstring(L"\\\\\\///::..?*<>|\"#@&=% ~-_aAzZ09\t") + L'\x01' + L'\x7f' +
                                   L'\xe9' + L'\x416' + L'\xd800' + L'\xffff';

const wchar_t* const kCorpus[] = {
    L"C:\\a\\b\\file.txt", L"C:file.txt", L"c:", L"\\\\server\\share\\dir\\f.txt", L"\\\\server\\share",
    L"\\\\server", L"\\\\?\\C:\\a\\b", L"\\\\.\\pipe\\x", L"http://h/dir/file.ext", L"file:///C:/dir/f.txt",
    L"https://user:pw@www.example.com:8443/a/b?x=1&y=2#f", L"about:blank", L"javascript:void(0)",
    L"\\a\\..\\..\\b\\.\\c", L"..\\..\\x", L".profile", L"a/b//c\\\\d", L"upnp://device/x", L"://",
    L"http://h:99999/x?a&b=&=c#", L"C:\\a<b>?.txt.", L"x:y:z", L"\\\\", L"\\",
};

// Random edits of a text: insert, delete, replace, duplicate a piece.
std::wstring Mutate(Random& random, std::wstring text)
{
    for (int edits = 1 + random.Below(6); edits > 0; --edits) {
        const size_t size = text.size(), at = static_cast<size_t>(random.Below(static_cast<int>(size) + 1));
        const size_t length = at < size ? static_cast<size_t>(1 + random.Below(static_cast<int>(size - at))) : 0;
        const int kind = random.Below(4);
        if (kind == 0)
            text.insert(at, 1, random.Pick(kMetaAlphabet));
        else if (kind == 1)
            text.erase(at, length);
        else if (kind == 2 && at < size)
            text[at] = random.Pick(kMetaAlphabet);
        else if (kind == 3)
            text.insert(at, text.substr(at, length));
    }
    return text;
}

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

void ExercisePath(const std::wstring& text, const std::wstring& other)
{
    ZvPath path(Z(text));
    EXPECT_EQ(text, W(path.ToString()).substr(0, text.size())); // assignment keeps the text ("X:" gains "\")
    const std::wstring root = W(path.GetRoot()), dir = W(path.GetDir()), name = W(path.GetFileName()),
                       ext = W(path.GetExt());

    // The components are the text, except where the local split repairs
    // separators or supplies the root directory of a bare drive.
    ZvString repaired = Z(text);
    bool repairedLocal = ZvPath::CheckAndRepairLocalPath(repaired);
    bool bareDrive = !root.empty() && !path.IsUNC() && !path.IsURL() &&
                     text.find_first_of(L"\\/", root.size()) == std::wstring::npos;
    const bool whole = path.IsURL() || (!path.IsUNC() && !repairedLocal && !bareDrive && text.size() < 250);
    EXPECT_TRUE(!whole || W(path.ToString()) == root + dir + name + ext);
    EXPECT_TRUE(dir.empty() || path.IsURL() || IsSeparator(dir.back()));

    // The queries that hand the text to the shell.
    const ZvPath otherPath(Z(other));
    ZvString relative;
    path.RelativePathTo(otherPath, relative);
    EXPECT_TRUE(path == ZvPath(path));
    EXPECT_FALSE(path.IsSubPath(path)) << "a path is no subpath of itself";
    path.IsSameRoot(otherPath);

    // Moving up ends: every step shortens the directory or the shell refuses.
    ZvPath up(path);
    int steps = 0;
    while (up.GotoParent() && steps < 300)
        ++steps;
    EXPECT_LT(steps, 300) << "climbing from " << W(path.GetDir()) << " stopped at " << W(up.GetDir());

    // Builders, each on its own copy; a refused AppendDir changes nothing.
    ZvPath pretty(path), withRoot(path), withDir(path), appended(path), combined;
    pretty.MakePretty();
    withRoot.SetRoot(Z(other.substr(0, 4)));
    withDir.SetDirLastComponent(Z(other.substr(0, 6)));
    ZvPath argument;
    argument.SetDir(Z(other));
    const bool appendedOk = appended.AppendDir(Z(other));
    if (argument.HasRoot() || argument.HasFilename() || argument.HasExtension()) {
        EXPECT_FALSE(appendedOk);
        EXPECT_EQ(W(path.ToString()), W(appended.ToString()));
    }
    ZvPath::CombinePath(path, otherPath, combined);

    // File-system corrections leave no forbidden character behind.
    ZvString corrected = Z(text);
    ZvPath::CorrectPathForFileSystem(corrected);
    const std::wstring fixed = W(corrected);
    size_t start = (text.size() >= 2 && text[1] == L':') ? 2 : 0;
    EXPECT_EQ(std::wstring::npos, fixed.find_first_of(L"?\"*/:<>|\x7f", start)) << "from " << text;
    for (size_t i = start; i < fixed.size(); ++i)
        EXPECT_GE(fixed[i], L'\x20');
    EXPECT_TRUE(fixed.empty() || fixed.back() != L'.');
    ZvString component = Z(text);
    ZvPath::CorrectPathComponentForFileSystem(component);
    EXPECT_EQ(std::wstring::npos, W(component).find_first_of(L":\\/"));
    ZvPath back;
    ZvURL(path).ConvertToZvPath(back, true); // the file URL of any path parses again
}

void ExerciseURL(const std::wstring& text)
{
    ZvURL url(Z(text));
    EXPECT_EQ(text, W(url.ToString()));

    // Parameters: sorted ascending and unique.
    ZvString previous, name, value;
    for (unsigned int i = 0; url.GetParameter(i, name, value); previous = name, ++i)
        EXPECT_TRUE(i == 0 || previous.Compare(name) < 0);

    EXPECT_TRUE(text.find(L"://") != std::wstring::npos ||
                (url.GetHost().IsEmpty() && url.GetPath().IsEmpty() && url.GetParameterCount() == 0 &&
                 url.GetFragment().IsEmpty() && url.GetPort() == 0));

    // Rebuilt, escaped and unescaped, the URL parses again.
    ZvURL escaped(url);
    escaped.Escaping();
    escaped.UnEscaping();
    if (url.GetParameterCount() > 0)
        escaped.RemoveParameter(0);
    escaped.AddParameter(Z(text.substr(0, 3)), Z(text));
    ZvURL reparsed(escaped.ToString());
    reparsed.SetFragment(reparsed.GetFragment());
}

} // namespace

TEST(PathUrlRobustness, RandomAndMutatedTextsThroughEveryParser)
{
    Random random(Seed());
    std::vector<std::wstring> texts(std::begin(kCorpus), std::end(kCorpus));
    for (int i = 0; i < kRandomTexts; ++i) {
        // Mostly short texts; every tenth is long, beyond the shell's limits.
        int maxLength = random.OneIn(10) ? 600 : 40;
        texts.push_back(random.Text(kMetaAlphabet, 0, maxLength));
    }
    for (int i = 0; i < kMutatedTexts; ++i)
        texts.push_back(Mutate(random, kCorpus[random.Below(static_cast<int>(std::size(kCorpus)))]));

    for (size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "text #" << i << ": " << texts[i]);
        const std::wstring& other = texts[(i * 7 + 3) % texts.size()];
        ExercisePath(texts[i], other);
        ExerciseURL(texts[i]);
        if (HasFatalFailure())
            return;
    }
}

namespace {

// A URL set from random parts that split back unchanged: no dots in host,
// domain and top-level domain (and a domain only with a top-level domain), no
// "@" anywhere but after the user information, a path that does not begin
// with "/" and holds no "?" or "#", and a path whenever a port, parameters or
// a fragment follow (without it they would be read as part of the host).
// expected receives the parts as Describe writes them.
ZvURL RandomUrl(Random& random, std::wstring& expected)
{
    const std::wstring names = L"abcxyzABCXYZ0189-_~!$'()*+,;%\xe9\x416";
    std::wstring tld, domain, path = random.Text(names + L".:=&", 1, 10), fragment;
    const std::wstring user = random.OneIn(3) ? random.Text(names, 0, 6) : L"",
                       password = random.OneIn(3) ? random.Text(names + L":", 0, 6) : L"",
                       host = random.Text(names, 0, 8);
    if (random.OneIn(2)) {
        tld = random.Text(names, 1, 4);
        if (random.OneIn(2))
            domain = random.Text(names, 1, 8);
    }
    const unsigned short port = random.OneIn(2) ? static_cast<unsigned short>(1 + random.Below(65535)) : 0;
    for (int i = random.Below(4); i > 0; --i)
        path += L"/" + random.Text(names + L".", 0, 8);
    if (random.OneIn(2))
        fragment = random.Text(names + L"#?&=/:.", 1, 10);
    ZvURL url;
    url.SetProtocol(static_cast<ZvURL::EProtocol>(random.Below(6)));
    url.SetUser(Z(user));
    url.SetPassword(Z(password));
    url.SetHost(Z(host));
    url.SetDomain(Z(domain));
    url.SetTLD(Z(tld));
    url.SetPort(port);
    url.SetPath(Z(path));
    url.SetFragment(Z(fragment));
    expected = user + L"|" + password + L"|" + host + L"|" + domain + L"|" + tld + L"|" + std::to_wstring(port) +
               L"|" + path + L"|" + fragment;
    std::map<std::wstring, std::wstring> parameters; // sorted; the first value of a name
    for (int i = random.Below(5); i > 0; --i) {
        const std::wstring name = random.Text(names, 0, 5), value = random.Text(names + L"=/:?", 0, 8);
        url.AddParameter(Z(name), Z(value));
        parameters.insert(std::make_pair(name, value));
    }
    for (const auto& parameter : parameters)
        expected += L"|" + parameter.first + L"=" + parameter.second;
    return url;
}

} // namespace

TEST(PathUrlRobustness, UrlsBuiltFromRandomPartsSplitBackIntoThem)
{
    Random random(Seed() + 1);
    for (int i = 0; i < kBuiltUrls; ++i) {
        std::wstring expected;
        const ZvURL url = RandomUrl(random, expected);
        const std::wstring text = W(url.ToString());
        SCOPED_TRACE(testing::Message() << "URL #" << i << ": " << text);
        ZvURL split(Z(text));
        split.SetFragment(split.GetFragment()); // rebuild from the parsed parts
        EXPECT_EQ(text, W(split.ToString()));
        EXPECT_EQ(expected, Describe(split));
        EXPECT_TRUE(url.GetProtocol() == ZvURL::eProtocol_None || url.GetProtocol() == split.GetProtocol());
        if (HasFailure())
            return;
    }
}

TEST(PathUrlRobustness, RandomVersionTextsReadBackAndOrderByTheirNumbers)
{
    Random random(Seed() + 2);
    ZvVersion previous;
    std::vector<unsigned long> b(4, 0);
    for (int i = 0; i < 3000; ++i) {
        const std::wstring text = random.OneIn(4) ? Mutate(random, L"4294967295.1.22.333")
                                                  : random.Text(L"0123456789... v-x\xe9", 0, random.OneIn(10) ? 80 : 9);
        SCOPED_TRACE(testing::Message() << "text " << text);
        const ZvVersion a(Z(text));
        const std::wstring display = W(a.GetDisplayName());
        EXPECT_EQ(3, std::count(display.begin(), display.end(), L'.'));
        EXPECT_TRUE(ZvVersion(Z(display)) == a) << "the display name reads back the same";
        std::vector<unsigned long> ka;
        for (int part = 0; part < 4; ++part)
            ka.push_back(a.GetVersion(static_cast<ZvVersion::EVersion>(part)));
        EXPECT_TRUE((ka < b) == (a < previous) && (ka > b) == (a > previous) && (ka == b) == (a == previous) &&
                    (ka <= b) == (a <= previous) && (ka >= b) == (a >= previous))
            << "against " << W(previous.GetDisplayName());
        previous = a;
        b = ka;
        if (HasFailure())
            return;
    }
}
