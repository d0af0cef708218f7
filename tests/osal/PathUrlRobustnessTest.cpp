// Randomised robustness of the path and URL parsers: many random and mutated
// texts go through every parser and builder (no crash, no hang, invariants
// hold), and URLs built from random valid parts split back into those parts.
// Seeded: the seed is printed, and ZV_FUZZ_SEED=<n> repeats a run.
#include "ZvOSAL/ZvPath.h"
#include "ZvOSAL/ZvURL.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;
using ZvOSAL::ZvURL;

namespace {

const int kRandomTexts = 4000;
const int kMutatedTexts = 4000;
const int kBuiltUrls = 3000;

std::wstring W(const ZvString& s) { return std::wstring(s.c_str(), static_cast<size_t>(s.GetLength())); }
ZvString Z(const std::wstring& s) { return ZvString(s.c_str(), static_cast<int>(s.size())); }

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
        int length = minLength + Below(maxLength - minLength + 1);
        std::wstring text;
        for (int i = 0; i < length; ++i)
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
    int edits = 1 + random.Below(6);
    for (int i = 0; i < edits; ++i) {
        int size = static_cast<int>(text.size());
        int at = size ? random.Below(size + 1) : 0;
        switch (random.Below(4)) {
        case 0:
            text.insert(static_cast<size_t>(at), 1, random.Pick(kMetaAlphabet));
            break;
        case 1:
            if (at < size)
                text.erase(static_cast<size_t>(at), static_cast<size_t>(1 + random.Below(size - at)));
            break;
        case 2:
            if (at < size)
                text[static_cast<size_t>(at)] = random.Pick(kMetaAlphabet);
            break;
        default:
            if (at < size)
                text.insert(static_cast<size_t>(at), text.substr(static_cast<size_t>(at),
                                                                 static_cast<size_t>(1 + random.Below(size - at))));
            break;
        }
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
    if (path.IsURL() || (!path.IsUNC() && !repairedLocal && !bareDrive && text.size() < 250)) {
        EXPECT_EQ(W(path.ToString()), root + dir + name + ext);
    }
    if (!dir.empty() && !path.IsURL()) {
        EXPECT_TRUE(IsSeparator(dir.back()));
    }

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
    for (size_t i = start; i < fixed.size(); ++i) {
        EXPECT_GE(fixed[i], L'\x20');
    }
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

    if (text.find(L"://") == std::wstring::npos) {
        EXPECT_TRUE(url.GetHost().IsEmpty() && url.GetPath().IsEmpty() && url.GetParameterCount() == 0 &&
                    url.GetFragment().IsEmpty() && url.GetPort() == 0);
    }

    // Rebuilt, escaped and unescaped, the URL parses again.
    ZvURL escaped(url);
    escaped.Escaping();
    escaped.UnEscaping();
    if (url.GetParameterCount() > 0)
        escaped.RemoveParameter(0);
    escaped.AddParameter(Z(text.substr(0, 3)), Z(text));
    ZvURL reparsed(escaped.ToString());
    reparsed.SetFragment(reparsed.GetFragment());
    ZvPath path;
    url.ConvertToZvPath(path, true);
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

// Parts of a URL that split back unchanged: no dots in host, domain and
// top-level domain (and a domain only with a top-level domain), no "@"
// anywhere but after the user information, a path that does not begin with
// "/" and holds no "?" or "#", and a path whenever a port, parameters or a
// fragment follow (without it they would be read as part of the host).
struct UrlParts {
    int protocol = 0;
    std::wstring user, password, host, domain, tld, path, fragment;
    unsigned short port = 0;
    std::map<std::wstring, std::wstring> parameters; // the first value of a name
    std::vector<std::pair<std::wstring, std::wstring>> added;
};

const std::wstring kNameAlphabet = L"abcxyzABCXYZ0189-_~!$'()*+,;%\xe9\x416";

UrlParts RandomParts(Random& random)
{
    UrlParts parts;
    parts.protocol = random.Below(6);
    if (random.OneIn(3))
        parts.user = random.Text(kNameAlphabet, 0, 6);
    if (random.OneIn(3))
        parts.password = random.Text(kNameAlphabet + L":", 0, 6);
    parts.host = random.Text(kNameAlphabet, 0, 8);
    if (random.OneIn(2)) {
        parts.tld = random.Text(kNameAlphabet, 1, 4);
        if (random.OneIn(2))
            parts.domain = random.Text(kNameAlphabet, 1, 8);
    }
    if (random.OneIn(2))
        parts.port = static_cast<unsigned short>(1 + random.Below(65535));
    parts.path = random.Text(kNameAlphabet + L".:=&", 1, 10);
    int segments = random.Below(4);
    for (int i = 0; i < segments; ++i)
        parts.path += L"/" + random.Text(kNameAlphabet + L".", 0, 8);
    int count = random.Below(5);
    for (int i = 0; i < count; ++i) {
        std::wstring name = random.Text(kNameAlphabet, 0, 5);
        std::wstring value = random.Text(kNameAlphabet + L"=/:?", 0, 8);
        parts.added.emplace_back(name, value);
        parts.parameters.insert(std::make_pair(name, value));
    }
    if (random.OneIn(2))
        parts.fragment = random.Text(kNameAlphabet + L"#?&=/:.", 1, 10);
    return parts;
}

} // namespace

TEST(PathUrlRobustness, UrlsBuiltFromRandomPartsSplitBackIntoThem)
{
    Random random(Seed() + 1);
    for (int i = 0; i < kBuiltUrls; ++i) {
        UrlParts parts = RandomParts(random);
        ZvURL url;
        url.SetProtocol(static_cast<ZvURL::EProtocol>(parts.protocol));
        url.SetUser(Z(parts.user));
        url.SetPassword(Z(parts.password));
        url.SetHost(Z(parts.host));
        url.SetDomain(Z(parts.domain));
        url.SetTLD(Z(parts.tld));
        url.SetPort(parts.port);
        url.SetPath(Z(parts.path));
        for (const auto& parameter : parts.added)
            url.AddParameter(Z(parameter.first), Z(parameter.second));
        url.SetFragment(Z(parts.fragment));

        const std::wstring text = W(url.ToString());
        SCOPED_TRACE(testing::Message() << "URL #" << i << ": " << text);
        ZvURL split(Z(text));
        split.SetFragment(split.GetFragment()); // rebuild from the parsed parts
        EXPECT_EQ(text, W(split.ToString()));
        std::wstring expected = parts.user + L"|" + parts.password + L"|" + parts.host + L"|" + parts.domain + L"|" +
                                parts.tld + L"|" + std::to_wstring(parts.port) + L"|" + parts.path + L"|" +
                                parts.fragment;
        for (const auto& parameter : parts.parameters)
            expected += L"|" + parameter.first + L"=" + parameter.second;
        std::wstring actual = W(split.GetUser()) + L"|" + W(split.GetPassword()) + L"|" + W(split.GetHost()) + L"|" +
                              W(split.GetDomain()) + L"|" + W(split.GetTLD()) + L"|" +
                              std::to_wstring(split.GetPort()) + L"|" + W(split.GetPath()) + L"|" +
                              W(split.GetFragment());
        for (unsigned int i = 0; i < split.GetParameterCount(); ++i) {
            ZvString name, value;
            split.GetParameter(i, name, value);
            actual += L"|" + W(name) + L"=" + W(value);
        }
        EXPECT_EQ(expected, actual);
        if (parts.protocol != 0) {
            EXPECT_EQ(parts.protocol, static_cast<int>(split.GetProtocol()));
        }
        if (HasFailure())
            return;
    }
}
