// Randomised robustness of the INI reader: mutated texts from memory and from
// files in both UTF-16 byte orders, huge lines, deep include chains and
// include cycles. Nothing may crash or hang; buffers are never overrun;
// whatever was parsed reads back the same after being written to a file.
// Seeded: set ZV_INI_SEED to repeat a run.
#include "ini/ZVIniFileReader.h"

#include "support/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

using zvtest::TempFolder;

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
            switch (Below(5)) {
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

        // From memory, or from a file in either UTF-16 byte order.
        CZVIniFileReader reader;
        const bool strip = !mutator.OneIn(3);
        reader.SetQuoteStripping(strip);
        const size_t source = mutator.Below(3);
        const std::wstring input = folder.Path(L"input" + std::to_wstring(round) + L".ini");
        if (source == 0) {
            ASSERT_TRUE(reader.LoadFromText(text.data(), static_cast<int>(text.size())));
        } else {
            ASSERT_TRUE(zvtest::WriteFileBytes(input, zvtest::Utf16Bytes(text, source == 2)));
            if (!reader.Open(input.c_str())) {
                EXPECT_TRUE(text[0] == 0) << "only a text that decodes to nothing is refused";
                continue;
            }
        }

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

        // Edited at random, written to a file and read again: the content
        // answers the same.
        for (int edit = 0; edit < 3; ++edit) {
            std::wstring value = mutator.Mutate(L"\"value\" ");
            value.resize(wcsnlen(value.c_str(), value.size()));
            const std::wstring key(1, static_cast<wchar_t>(L'k' + mutator.Below(3)));
            reader.WriteProfileString(mutator.OneIn(2) ? L"S" : L"a", mutator.OneIn(5) ? nullptr : key.c_str(),
                                      mutator.OneIn(5) ? nullptr : value.c_str());
        }
        const Dump parsed = DumpOf(reader, text.size() * 2 + 4096);
        ASSERT_TRUE(reader.SetEncoding(CZVIniFileReader::eUtf16LE));
        const std::wstring path = folder.Path(L"round" + std::to_wstring(round) + L".ini");
        ASSERT_TRUE(reader.Save(path.c_str()));
        CZVIniFileReader reloaded;
        reloaded.SetQuoteStripping(strip);
        ASSERT_TRUE(reloaded.Open(path.c_str()));
        ASSERT_EQ(parsed, DumpOf(reloaded, text.size() * 2 + 4096));
    }
}

TEST(IniRobustnessTest, HugeLinesAndManySections)
{
    std::wstring text = L"[Big]\nValue=" + std::wstring(3000000, L'v') + L"\n[" + std::wstring(1000000, L'[') + L"\n" +
                        std::wstring(1000000, L'=') + L"\n$include <" + std::wstring(100000, L'x') + L">\n";
    for (int i = 0; i < 20000; ++i)
        text += L"[Section" + std::to_wstring(i) + L"]\nKey=" + std::to_wstring(i) + L"\n";
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(text.c_str()));
    wchar_t buffer[16];
    EXPECT_EQ(15u, reader.GetProfileString(L"Big", L"Value", L"", buffer, 16));
    EXPECT_EQ(19999, reader.GetProfileInt(L"section19999", L"key", -1));
}

// Chains far beyond the depth limit, cycles (through another spelling of a
// path, and of a file to itself), a diamond, every file including every
// other, and device names: each load ends, once per file, with the right
// values.
TEST(IniRobustnessTest, IncludeGraphs)
{
    TempFolder folder;
    ASSERT_TRUE(folder.MakeDir(L"dir"));
    for (int i = 0; i < 120; ++i) {
        const std::string text = "[L" + std::to_string(i) + "]\nK=" + std::to_string(i) +
                                 "\n$include <chain" + std::to_string(i + 1) + ".ini>\n";
        ASSERT_TRUE(folder.Write(L"chain" + std::to_wstring(i) + L".ini", text));
    }
    for (int i = 0; i < 14; ++i) {
        std::string text = "[F" + std::to_string(i) + "]\nK=" + std::to_string(i) + "\n";
        for (int j = 0; j < 14; ++j)
            text += "$include <g" + std::to_string(j) + ".ini>\n";
        ASSERT_TRUE(folder.Write(L"g" + std::to_wstring(i) + L".ini", text));
    }
    const char* files[][2] = {
        {"dir\\a.ini", "[A]\nK=1\n$include <b.ini>\nAfter=1\n"},
        {"dir\\b.ini", "[B]\nK=1\n$include <..\\dir\\.\\A.INI>\n"},
        {"self.ini", "[S]\nK=1\n$include <self.ini>\n"},
        {"top.ini", "$include <left.ini>\n$include <right.ini>\n"},
        {"left.ini", "$include <bottom.ini>\n[Left]\nK=1\n"},
        {"right.ini", "$include <bottom.ini>\n[Right]\nK=1\n"},
        {"bottom.ini", "[Bottom]\nK=1\n"},
        {"devices.ini", "[D]\nK=1\n$include <CON>\n$include <NUL>\n$include <\\\\.\\pipe\\zvnone>\n"},
    };
    for (const auto& file : files)
        ASSERT_TRUE(folder.Write(std::wstring(file[0], file[0] + strlen(file[0])), file[1]));
    const int depth = static_cast<int>(CZVIniFileReader::kDefaultMaxIncludeDepth);
    const struct {
        const wchar_t* file;
        unsigned long maxDepth;
        std::wstring section;
        const wchar_t* key;
        int expected;
    } rows[] = {
        {L"chain0.ini", 0, L"L" + std::to_wstring(depth), L"K", depth},
        {L"chain0.ini", 0, L"L" + std::to_wstring(depth + 1), L"K", -1},
        {L"chain60.ini", 100000, L"L119", L"K", 119}, // a limit beyond the cap is held at the cap
        {L"dir\\a.ini", 0, L"B", L"K", 1},
        {L"dir\\a.ini", 0, L"A", L"After", 1},
        {L"self.ini", 0, L"S", L"K", 1},
        {L"top.ini", 0, L"Bottom", L"K", 1},
        {L"top.ini", 0, L"Right", L"K", 1},
        {L"g0.ini", 0, L"F13", L"K", 13},
        {L"devices.ini", 0, L"D", L"K", 1},
    };
    for (const auto& row : rows) {
        CZVIniReaderOptions options = {0, row.maxDepth, 0};
        CZVIniFileReader reader(options);
        ASSERT_TRUE(reader.Open(folder.Path(row.file).c_str())) << row.file;
        EXPECT_EQ(row.expected, reader.GetProfileInt(row.section.c_str(), row.key, -1)) << row.file;
    }
    CZVIniFileReader memory, device;
    ASSERT_TRUE(memory.LoadFromText((L"$include <" + folder.Path(L"self.ini") + L">\n").c_str()));
    EXPECT_EQ(1, memory.GetProfileInt(L"S", L"K", 0));
    EXPECT_FALSE(device.Open(L"NUL")) << "a device is not read";
}
