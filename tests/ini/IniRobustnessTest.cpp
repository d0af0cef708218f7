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
#include <vector>

using zvtest::TempFolder;

namespace {

unsigned Seed()
{
    const char* text = getenv("ZV_INI_SEED");
    return text && *text ? static_cast<unsigned>(strtoul(text, nullptr, 10)) : 20241205u;
}

// Everything a reader answers: sections in order, each with its keys and
// values in order (names may be empty: the list is split at exactly its
// length).
std::wstring DumpOf(const CZVIniFileReader& reader, size_t capacity)
{
    std::vector<wchar_t> buffer(capacity + 4);
    const unsigned long length =
        reader.GetProfileString(nullptr, nullptr, L"", buffer.data(), static_cast<unsigned long>(buffer.size()));
    std::wstring dump;
    for (size_t i = 0, start = 0; i < length; ++i) {
        if (buffer[i] != L'\0')
            continue;
        const std::wstring section(buffer.data() + start, i - start);
        start = i + 1;
        CZvStringMap pairs;
        EXPECT_TRUE(reader.GetSection(section.c_str(), pairs));
        dump += L"\x1[" + section + L"]";
        for (size_t k = 0; k < pairs.GetCount(); ++k)
            dump += L"\x1" + pairs.GetAt(k).name + L"\x2" + pairs.GetAt(k).value;
    }
    return dump;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : m_random(seed) {}

    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    bool OneIn(size_t n) { return Below(n) == 0; }

    // Units that mean something to the syntax, the byte-order mark, lone
    // surrogates, 0, or anything at all.
    wchar_t SpecialUnit()
    {
        static const wchar_t kUnits[] = L"[]=;#$<>\"\r\n \t\0\xFEFF\xD800\xDC00\xFFFF" L"aZ";
        return OneIn(4) ? static_cast<wchar_t>(Below(0x10000)) : kUnits[Below(sizeof(kUnits) / sizeof(wchar_t) - 1)];
    }

    // Replaced and inserted units, cuts, truncation and lines of structure.
    std::wstring Mutate(std::wstring text)
    {
        static const wchar_t* kLines[] = {L"[S]", L"[s]", L"[]", L"[ spaced ]", L"=v", L"K=\"q\"", L"K = v ",
                                          L"k=last", L"; c", L"# c", L"$include <>", L"$include <missing-file.ini>",
                                          L"$include", L"[unclosed", L"no equals", L"  \tIndented=1"};
        for (size_t step = 1 + Below(12); step > 0; --step) {
            const size_t kind = Below(5), at = Below(text.size() + 1);
            if (kind == 0 && !text.empty())
                for (size_t n = Below(8); n > 0; --n)
                    text[Below(text.size())] = SpecialUnit();
            else if (kind == 1)
                for (size_t n = 1 + Below(16); n > 0; --n)
                    text.insert(at, 1, SpecialUnit());
            else if (kind == 2 && at < text.size())
                text.erase(at, Below(64));
            else if (kind == 3)
                text.insert(at, std::wstring(L"\n") + kLines[Below(sizeof(kLines) / sizeof(kLines[0]))]);
            else if (kind == 4)
                text.resize(at);
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
    for (int round = 0; round < 300; ++round) {
        const std::wstring text = mutator.Mutate(kBases[mutator.Below(sizeof(kBases) / sizeof(kBases[0]))]);
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
            ASSERT_TRUE(got < size && buffer[got] == L'\0') << got;
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
        const std::wstring parsed = DumpOf(reader, text.size() * 2 + 4096);
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
    EXPECT_TRUE(reader.GetProfileString(L"Big", L"Value", L"", buffer, 16) == 15 &&
                reader.GetProfileInt(L"section19999", L"key", -1) == 19999);
}

// Chains far beyond the depth limit, cycles (through another spelling of a
// path, and of a file to itself), a diamond and device names: each load
// ends, once per file, with the right values.
TEST(IniRobustnessTest, IncludeGraphs)
{
    TempFolder folder;
    ASSERT_TRUE(folder.MakeDir(L"dir"));
    for (int i = 0; i < 120; ++i) {
        const std::string text = "[L" + std::to_string(i) + "]\nK=" + std::to_string(i) +
                                 "\n$include <chain" + std::to_string(i + 1) + ".ini>\n";
        ASSERT_TRUE(folder.Write(L"chain" + std::to_wstring(i) + L".ini", text));
    }
    const char* files[][2] = {
        {"dir\\a.ini", "[A]\n$include <b.ini>\nK=1\n"},
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
        std::wstring section; // its K
        int expected;
    } rows[] = {
        {L"chain0.ini", 0, L"L" + std::to_wstring(depth), depth},
        {L"chain0.ini", 0, L"L" + std::to_wstring(depth + 1), -1},
        {L"chain60.ini", 100000, L"L119", 119}, // a limit beyond the cap is held at the cap
        {L"dir\\a.ini", 0, L"A", 1},            // read on after the cycle
        {L"self.ini", 0, L"S", 1},
        {L"top.ini", 0, L"Bottom", 1},
        {L"devices.ini", 0, L"D", 1},
    };
    for (const auto& row : rows) {
        CZVIniReaderOptions options = {0, row.maxDepth, 0};
        CZVIniFileReader reader(options);
        ASSERT_TRUE(reader.Open(folder.Path(row.file).c_str())) << row.file;
        EXPECT_EQ(row.expected, reader.GetProfileInt(row.section.c_str(), L"K", -1)) << row.file;
    }
    EXPECT_FALSE(CZVIniFileReader().Open(L"NUL")) << "a device is not read";
}
