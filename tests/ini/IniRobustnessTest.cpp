// Randomised robustness of the INI reader: mutated texts, random bytes in
// every encoding, huge lines, deep include chains and include cycles. Nothing
// may crash or hang; buffers are never overrun; whatever was parsed reads
// back the same after being written to a file. Seeded: set ZV_INI_SEED to
// repeat a run.
#include "ini/ZVIniFileReader.h"

#include "ini/IniTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

using initest::TempFolder;

namespace {

unsigned Seed()
{
    const char* text = getenv("ZV_INI_SEED");
    return text && *text ? static_cast<unsigned>(strtoul(text, nullptr, 10)) : 20241205u;
}

// A zero-separated list of exactly length characters (names may be empty).
std::vector<std::wstring> SplitExact(const wchar_t* list, size_t length)
{
    std::vector<std::wstring> names;
    size_t start = 0;
    for (size_t i = 0; i < length; ++i) {
        if (list[i] == L'\0') {
            names.emplace_back(list + start, i - start);
            start = i + 1;
        }
    }
    return names;
}

using Dump = std::vector<std::pair<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>>;

// Everything a reader answers: sections in order, each with its keys and
// values in order.
Dump DumpOf(const CZVIniFileReader& reader, size_t capacity)
{
    Dump dump;
    std::vector<wchar_t> buffer(capacity + 4);
    const unsigned long length =
        reader.GetProfileString(nullptr, nullptr, L"", buffer.data(), static_cast<unsigned long>(buffer.size()));
    for (const std::wstring& section : SplitExact(buffer.data(), length)) {
        CZvStringMap pairs;
        EXPECT_TRUE(reader.GetSection(section.c_str(), pairs));
        std::vector<std::pair<std::wstring, std::wstring>> keys;
        for (size_t i = 0; i < pairs.GetCount(); ++i)
            keys.emplace_back(pairs.GetAt(i).name, pairs.GetAt(i).value);
        dump.emplace_back(section, std::move(keys));
    }
    return dump;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : m_random(seed) {}

    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    bool OneIn(size_t n) { return Below(n) == 0; }

    wchar_t SpecialUnit()
    {
        static const wchar_t kUnits[] = {L'[', L']', L'=', L';', L'#', L'$', L'<', L'>', L'"', L'\r', L'\n',
                                         L' ', L'\t', L'\0', 0xFEFF, 0xD800, 0xDC00, 0xFFFF, L'a', L'Z'};
        if (OneIn(4))
            return static_cast<wchar_t>(Below(0x10000));
        return kUnits[Below(sizeof(kUnits) / sizeof(kUnits[0]))];
    }

    std::wstring Mutate(std::wstring text)
    {
        const size_t steps = 1 + Below(12);
        for (size_t step = 0; step < steps; ++step) {
            switch (Below(6)) {
            case 0: // replace units
                for (size_t n = Below(8); n > 0 && !text.empty(); --n)
                    text[Below(text.size())] = SpecialUnit();
                break;
            case 1: { // insert units
                std::wstring chunk;
                for (size_t n = 1 + Below(16); n > 0; --n)
                    chunk += SpecialUnit();
                text.insert(Below(text.size() + 1), chunk);
                break;
            }
            case 2: // duplicate a slice
                if (!text.empty()) {
                    const size_t at = Below(text.size());
                    text.insert(Below(text.size() + 1), text.substr(at, Below(200)));
                }
                break;
            case 3: // cut
                if (!text.empty())
                    text.erase(Below(text.size()), Below(64));
                break;
            case 4: { // a line of structure
                static const wchar_t* kLines[] = {L"[S]", L"[s]", L"[]", L"[ spaced ]", L"=v", L"K=\"q\"",
                                                  L"K = v ", L"k=last", L"; c", L"# c", L"$include <>",
                                                  L"$include <missing-file.ini>", L"$include", L"[unclosed",
                                                  L"no equals", L"  \tIndented=1"};
                const std::wstring line = std::wstring(L"\n") + kLines[Below(sizeof(kLines) / sizeof(kLines[0]))];
                text.insert(Below(text.size() + 1), line);
                break;
            }
            default: // truncate
                text.resize(Below(text.size() + 1));
                break;
            }
        }
        return text;
    }

    std::mt19937& Engine() { return m_random; }

private:
    std::mt19937 m_random;
};

const wchar_t* const kBases[] = {
    L"; skin\r\n[Dialog]\r\nname=Update\r\ntext=\"Title\"\r\nposition=0, 0, 400, 300\r\n"
    L"[IDOK]\r\ncreate=subclass\r\nfont=Tahoma\r\nsize=9 400\r\n",
    L"Top=1\n[a]\nx=1\ny = 2 \n[b]\n[A]\nX=3\n# end\n",
    L"[ALIGNMENT1]\nIDOK=IDCANCEL,1,2,3,4,5,6\n\n\n[ALIGNMENT2]\n;\n",
    L"",
};

} // namespace

TEST(IniRobustnessTest, MutatedTextsParseAndReadBackTheSame)
{
    const unsigned seed = Seed();
    SCOPED_TRACE("ZV_INI_SEED=" + std::to_string(seed));
    Mutator mutator(seed);
    TempFolder folder;
    const int kRounds = 300;
    for (int round = 0; round < kRounds; ++round) {
        std::wstring text = kBases[mutator.Below(sizeof(kBases) / sizeof(kBases[0]))];
        text = mutator.Mutate(text);
        SCOPED_TRACE("round " + std::to_string(round));

        CZVIniFileReader reader;
        if (mutator.OneIn(3))
            reader.SetQuoteStripping(false);
        ASSERT_TRUE(reader.LoadFromText(text.data(), static_cast<int>(text.size())));

        // Random buffer sizes are never overrun, and results fit.
        for (int probe = 0; probe < 6; ++probe) {
            const unsigned long size = static_cast<unsigned long>(1 + mutator.Below(24));
            std::vector<wchar_t> buffer(size + 8, L'#');
            const wchar_t* section = mutator.OneIn(3) ? nullptr : (mutator.OneIn(2) ? L"S" : L"a");
            const wchar_t* key = mutator.OneIn(3) ? nullptr : (mutator.OneIn(2) ? L"K" : L"x");
            const unsigned long got = reader.GetProfileString(section, key, L"default", buffer.data(), size);
            ASSERT_LT(got, size);
            EXPECT_EQ(L'\0', buffer[got]);
            for (size_t i = size; i < buffer.size(); ++i)
                ASSERT_EQ(L'#', buffer[i]) << "overrun at " << i;
        }

        // Written to a file and read again, the content answers the same.
        const Dump parsed = DumpOf(reader, text.size() * 2 + 64);
        ASSERT_TRUE(reader.SetEncoding(CZVIniFileReader::eUtf16LE));
        const std::wstring path = folder.Path(L"round" + std::to_wstring(round) + L".ini");
        ASSERT_TRUE(reader.Save(path.c_str()));
        CZVIniFileReader reloaded;
        reloaded.SetQuoteStripping(reader.GetQuoteStripping());
        ASSERT_TRUE(reloaded.Open(path.c_str()));
        ASSERT_EQ(parsed, DumpOf(reloaded, text.size() * 2 + 64));

        // So does it after random edits.
        for (int edit = 0; edit < 4; ++edit) {
            const std::wstring section =
                mutator.OneIn(2) ? L"S" : std::wstring(1, static_cast<wchar_t>(L'a' + mutator.Below(3)));
            const std::wstring key(1, static_cast<wchar_t>(L'k' + mutator.Below(3)));
            std::wstring value = mutator.Mutate(L"\"value\" ");
            value = value.substr(0, value.find(L'\0'));
            const bool hasBreak = value.find_first_of(L"\r\n") != std::wstring::npos;
            const int kind = static_cast<int>(mutator.Below(5));
            if (kind == 0) {
                EXPECT_EQ(1, reloaded.WriteProfileString(section.c_str(), nullptr, nullptr));
            } else if (kind == 1) {
                EXPECT_EQ(1, reloaded.WriteProfileString(section.c_str(), key.c_str(), nullptr));
            } else {
                EXPECT_EQ(hasBreak ? 0 : 1,
                          reloaded.WriteProfileString(section.c_str(), key.c_str(), value.c_str()));
            }
        }
        const Dump edited = DumpOf(reloaded, text.size() * 2 + 4096);
        const std::wstring editedPath = folder.Path(L"edited" + std::to_wstring(round) + L".ini");
        ASSERT_TRUE(reloaded.Save(editedPath.c_str()));
        CZVIniFileReader again;
        again.SetQuoteStripping(reader.GetQuoteStripping());
        ASSERT_TRUE(again.Open(editedPath.c_str()));
        ASSERT_EQ(edited, DumpOf(again, text.size() * 2 + 4096));
    }
}

TEST(IniRobustnessTest, RandomBytesInEveryEncoding)
{
    const unsigned seed = Seed() + 1;
    SCOPED_TRACE("ZV_INI_SEED=" + std::to_string(seed - 1));
    Mutator mutator(seed);
    TempFolder folder;
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const size_t length = mutator.Below(mutator.OneIn(10) ? 20000 : 300);
        for (size_t i = 0; i < length; ++i) {
            const char* structure = "[]=;#$<>\r\n \"aZ";
            bytes += mutator.OneIn(2) ? structure[mutator.Below(15)] : static_cast<char>(mutator.Below(256));
        }
        switch (mutator.Below(3)) {
        case 0: bytes.insert(0, "\xFF\xFE"); break;
        case 1: bytes.insert(0, "\xFE\xFF"); break;
        default: break;
        }
        const std::wstring name = L"bytes" + std::to_wstring(round) + L".ini";
        ASSERT_TRUE(folder.WriteBytes(name, bytes));
        CZVIniFileReader fromFile;
        const bool opened = fromFile.Open(folder.Path(name).c_str());
        EXPECT_EQ(opened, fromFile.IsLoaded());
        wchar_t buffer[64];
        fromFile.GetProfileString(nullptr, nullptr, L"", buffer, 64);
        fromFile.GetProfileString(L"S", L"K", L"", buffer, 64);

        CZVIniFileReader fromBytes;
        fromBytes.LoadFromBytes(bytes.data(), static_cast<int>(bytes.size()));
        fromBytes.GetProfileString(nullptr, nullptr, L"", buffer, 3);
        EXPECT_EQ(0, fromBytes.GetProfileInt(nullptr, L"K", 0));
    }
}

TEST(IniRobustnessTest, HugeLinesAndManySections)
{
    std::wstring text = L"[Big]\nValue=" + std::wstring(3000000, L'v') + L"\n";
    text += L"[" + std::wstring(1000000, L'[') + L"\n";
    text += std::wstring(1000000, L'=') + L"\n";
    text += L"$include <" + std::wstring(100000, L'x') + L">\n";
    for (int i = 0; i < 20000; ++i)
        text += L"[Section" + std::to_wstring(i) + L"]\nKey=" + std::to_wstring(i) + L"\n";
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(text.c_str()));
    EXPECT_EQ(1u, reader.GetIncludeErrors());
    wchar_t buffer[16];
    EXPECT_EQ(15u, reader.GetProfileString(L"Big", L"Value", L"", buffer, 16));
    EXPECT_EQ(19999, reader.GetProfileInt(L"section19999", L"key", -1));
    EXPECT_EQ(7, reader.GetProfileInt(L"SECTION7", L"KEY", -1));
}

TEST(IniRobustnessTest, DeepIncludeChainsStopAtTheDepthLimit)
{
    TempFolder folder;
    const int kFiles = 120;
    for (int i = 0; i < kFiles; ++i) {
        std::string text = "[L" + std::to_string(i) + "]\nK=" + std::to_string(i) + "\n";
        if (i + 1 < kFiles)
            text += "$include <chain" + std::to_string(i + 1) + ".ini>\n";
        ASSERT_TRUE(folder.WriteBytes(L"chain" + std::to_wstring(i) + L".ini", text));
    }
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"chain0.ini").c_str()));
    EXPECT_EQ(1u, reader.GetIncludeErrors());
    auto level = [](int i) { return L"L" + std::to_wstring(i); };
    const int depth = static_cast<int>(CZVIniFileReader::kDefaultMaxIncludeDepth);
    EXPECT_EQ(depth, reader.GetProfileInt(level(depth).c_str(), L"K", -1));
    EXPECT_EQ(-1, reader.GetProfileInt(level(depth + 1).c_str(), L"K", -1));

    // A limit far beyond the cap is held at the cap; nothing overflows.
    CZVIniReaderOptions deep = {0, 100000, 0};
    CZVIniFileReader capped(deep);
    ASSERT_TRUE(capped.Open(folder.Path(L"chain60.ini").c_str()));
    EXPECT_EQ(kFiles - 1, capped.GetProfileInt(level(kFiles - 1).c_str(), L"K", -1));
}

TEST(IniRobustnessTest, IncludeCyclesAreDetectedAndReported)
{
    TempFolder folder;
    folder.MakeFolder(L"dir");
    ASSERT_TRUE(folder.WriteBytes(L"dir\\a.ini", "[A]\nK=a\n$include <b.ini>\nAfter=1\n"));
    ASSERT_TRUE(folder.WriteBytes(L"dir\\b.ini", "[B]\nK=b\n$include <..\\dir\\.\\A.INI>\n"));
    ASSERT_TRUE(folder.WriteBytes(L"self.ini", "[S]\nK=s\n$include <self.ini>\n"));
    // A diamond is not a cycle.
    ASSERT_TRUE(folder.WriteBytes(L"top.ini", "$include <left.ini>\n$include <right.ini>\n"));
    ASSERT_TRUE(folder.WriteBytes(L"left.ini", "$include <bottom.ini>\n[Left]\nK=l\n"));
    ASSERT_TRUE(folder.WriteBytes(L"right.ini", "$include <bottom.ini>\n[Right]\nK=r\n"));
    ASSERT_TRUE(folder.WriteBytes(L"bottom.ini", "[Bottom]\nK=bottom\n"));

    CZVIniFileReader cycle;
    ASSERT_TRUE(cycle.Open(folder.Path(L"dir\\a.ini").c_str()));
    EXPECT_EQ(1u, cycle.GetIncludeErrors());
    EXPECT_EQ(1, cycle.GetProfileInt(L"A", L"After", 0));
    wchar_t buffer[16];
    cycle.GetProfileString(L"B", L"K", L"", buffer, 16);
    EXPECT_STREQ(L"b", buffer);

    CZVIniFileReader self;
    ASSERT_TRUE(self.Open(folder.Path(L"self.ini").c_str()));
    EXPECT_EQ(1u, self.GetIncludeErrors());
    self.GetProfileString(L"S", L"K", L"", buffer, 16);
    EXPECT_STREQ(L"s", buffer);

    CZVIniFileReader diamond;
    ASSERT_TRUE(diamond.Open(folder.Path(L"top.ini").c_str()));
    EXPECT_EQ(0u, diamond.GetIncludeErrors());
    diamond.GetProfileString(L"Bottom", L"K", L"", buffer, 16);
    EXPECT_STREQ(L"bottom", buffer);

    // From memory too.
    CZVIniFileReader memory;
    ASSERT_TRUE(memory.LoadFromText((L"$include <" + folder.Path(L"self.ini") + L">\n").c_str()));
    EXPECT_EQ(1u, memory.GetIncludeErrors());
    memory.GetProfileString(L"S", L"K", L"", buffer, 16);
    EXPECT_STREQ(L"s", buffer);
}

TEST(IniRobustnessTest, EveryFileIncludingEveryOtherIsReadOncePerFile)
{
    // Cycles everywhere: each file is parsed once and cached, so the load is
    // linear in the files, not in the paths through them.
    TempFolder folder;
    const int kFiles = 14;
    for (int i = 0; i < kFiles; ++i) {
        std::string text = "[F" + std::to_string(i) + "]\nK=" + std::to_string(i) + "\n";
        for (int j = 0; j < kFiles; ++j)
            text += "$include <g" + std::to_string(j) + ".ini>\n";
        ASSERT_TRUE(folder.WriteBytes(L"g" + std::to_wstring(i) + L".ini", text));
    }
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"g0.ini").c_str()));
    EXPECT_GT(reader.GetIncludeErrors(), 0u);
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(i, reader.GetProfileInt((L"F" + std::to_wstring(i)).c_str(), L"K", -1));
}

TEST(IniRobustnessTest, DeviceNamesAreNotRead)
{
    // CON would wait for console input; such names must fail at once.
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nK=1\n$include <CON>\n$include <NUL>\n$include <\\\\.\\pipe\\zvnone>\n"));
    EXPECT_EQ(3u, reader.GetIncludeErrors());
    CZVIniFileReader device;
    EXPECT_FALSE(device.Open(L"NUL"));
}
