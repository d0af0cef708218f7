// The string classes as a host sees them: linked against the DLL's import
// library, built with the same toolchain. Blocks made in the DLL are shared,
// changed and freed across the boundary; the exported empty strings are the
// DLL's own data.
#include "ZvOSAL/ZvAString.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvWString.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

using namespace ZvOSAL;

TEST(StringPublicApi, CopiesShareTheBlockUntilOneChanges)
{
    ZvString original(L"shared text");
    ZvString copy(original);
    EXPECT_EQ(original.c_str(), copy.c_str());

    copy.SetAt(0, L'S');
    EXPECT_STREQ(L"shared text", original);
    EXPECT_STREQ(L"Shared text", copy);
    EXPECT_NE(original.c_str(), copy.c_str());

    ZvString assigned;
    assigned = original;
    EXPECT_EQ(original.c_str(), assigned.c_str());
    assigned += L"!";
    EXPECT_STREQ(L"shared text", original);
    EXPECT_STREQ(L"shared text!", assigned);
}

TEST(StringPublicApi, LockedStringsCopyDeep)
{
    ZvString locked(L"locked");
    wchar_t* buffer = locked.LockBuffer();
    ZvString copy(locked);
    EXPECT_NE(copy.c_str(), locked.c_str());
    buffer[0] = L'L';
    EXPECT_STREQ(L"locked", copy);
    locked.UnlockBuffer();
    ZvString shared(locked);
    EXPECT_EQ(shared.c_str(), locked.c_str());
}

TEST(StringPublicApi, ConstructionFromEightBitText)
{
    EXPECT_STREQ(L"plain", ZvString("plain"));
    EXPECT_STREQ(L"pla", ZvString("plain", 3));
    EXPECT_STREQ(L"caf\u00e9", ZvString("caf\xc3\xa9", ZvCodepageUtf8));
    EXPECT_STREQ(L"caf?", ZvString("caf\xc3", ZvCodepage7Bit));
    EXPECT_STREQ(L"xxx", ZvString(L'x', 3));
    EXPECT_TRUE(ZvString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
}

TEST(StringPublicApi, ResourceIdentifierLoadsTheLibrarysString)
{
    // The string table is the DLL's, not this program's (it has none).
    EXPECT_STREQ(L"Close", ZvString(MAKEINTRESOURCEW(142)));
    ZvString loaded;
    EXPECT_NE(0, loaded.LoadString(1024));
    EXPECT_STREQ(L"Transferring program files...", loaded);
    EXPECT_EQ(0, loaded.LoadString(9999));
    EXPECT_TRUE(loaded.IsEmpty());
}

TEST(StringPublicApi, FormatUsesMicrosoftWideConventions)
{
    ZvString text;
    text.Format(L"%s|%S|%c|%C|%I64d|%6.2f", L"wide", "narrow", L'w', 'n', -1234567890123LL, 3.14159);
    EXPECT_STREQ(L"wide|narrow|w|n|-1234567890123|  3.14", text);

    const std::wstring longArgument(5000, L'z');
    text.Format(L"[%s]", longArgument.c_str());
    EXPECT_EQ(5002, text.GetLength());

    text.Format(146u, L"Downloading", 42, L"1 MB", L"2 MB");
    EXPECT_STREQ(L"Downloading   42% (1 MB / 2 MB)", text);

    text.FormatMessage(L"%2 before %1", L"one", L"two");
    EXPECT_STREQ(L"two before one", text);
}

TEST(StringPublicApi, FreeOperators)
{
    const ZvString a(L"ab");
    EXPECT_STREQ(L"abcd", a + ZvString(L"cd"));
    EXPECT_STREQ(L"abcd", a + L"cd");
    EXPECT_STREQ(L"xab", L"x" + a);
    EXPECT_STREQ(L"abz", a + L'z');
    EXPECT_STREQ(L"zab", L'z' + a);
    EXPECT_EQ(0xFFE9, (a + static_cast<char>(0xE9))[2]);
    EXPECT_EQ(0xFFE9, (static_cast<char>(0xE9) + a)[0]);

    EXPECT_TRUE(a == L"ab");
    EXPECT_TRUE(L"ab" == a);
    EXPECT_TRUE(a != L"AB");
    EXPECT_TRUE(a < L"b");
    EXPECT_TRUE(L"aa" < a);
    EXPECT_TRUE(a > ZvString(L"a"));
    EXPECT_TRUE(a <= L"ab");
    EXPECT_TRUE(a >= L"ab");
    // Ordinal: units compare as unsigned values, so U+E9 sorts after 'z'.
    EXPECT_TRUE(ZvString(L"z") < ZvString(L"\u00e9"));
}

TEST(StringPublicApi, TokenizeFillsTheHostsList)
{
    ZvStringList tokens;
    EXPECT_TRUE(ZvString(L"a,b,,c").Tokenize(L",", tokens));
    ASSERT_EQ(4u, tokens.size());
    EXPECT_STREQ(L"", *std::next(tokens.begin(), 2));
    EXPECT_STREQ(L"c", tokens.back());
}

TEST(StringPublicApi, EightBitAndWideOwningStrings)
{
    ZvAString utf8(L"caf\u00e9", ZvCodepageUtf8);
    EXPECT_STREQ("caf\xc3\xa9", utf8);
    EXPECT_EQ(5, utf8.GetLength());
    EXPECT_TRUE(ZvAString::isUTF8(utf8));

    ZvWString wide(&utf8);
    EXPECT_STREQ(L"caf\u00e9", wide);
    EXPECT_EQ(ZvCodepageUtf8, wide.GetCodepage());

    ZvAString copy(utf8);
    EXPECT_STREQ("caf\xc3\xa9", copy);

    char* buffer = copy.GetBuffer(10);
    std::strcpy(buffer, "edited");
    copy.ReleaseBuffer();
    EXPECT_STREQ("edited", copy);

    ZvBaseString* base = &wide;
    EXPECT_EQ(4, base->GetLength());
    EXPECT_FALSE(base->IsEmpty());
}

TEST(StringPublicApi, ExportedEmptyStringsAreTheLibrarys)
{
    const ZvAString emptyA;
    const ZvWString emptyW;
    EXPECT_EQ(static_cast<const char*>(emptyA), ZvAString::m_gszEmpty);
    EXPECT_EQ(static_cast<const wchar_t*>(emptyW), ZvWString::m_gwszEmpty);
    EXPECT_STREQ("", ZvAString::m_gszEmpty);
    EXPECT_STREQ(L"", ZvWString::m_gwszEmpty);
    EXPECT_TRUE(emptyA.IsEmpty());
    EXPECT_TRUE(emptyW.IsEmpty());
}

TEST(StringPublicApi, BlocksReturnToThePools)
{
    ZvStringPoolStatistics before{};
    ZvString::GetPoolStatistics(before);
    {
        ZvString small(L'a', 10);
        ZvString large(L'b', 2000);
        ZvString copy(large);
        ZvStringPoolStatistics during{};
        ZvString::GetPoolStatistics(during);
        EXPECT_EQ(before.blocksInUse[0] + 1, during.blocksInUse[0]);
        EXPECT_EQ(before.heapBlocksInUse + 1, during.heapBlocksInUse);
    }
    ZvStringPoolStatistics after{};
    ZvString::GetPoolStatistics(after);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before.blocksInUse[i], after.blocksInUse[i]) << "pool " << i;
    EXPECT_EQ(before.heapBlocksInUse, after.heapBlocksInUse);
}
