// ZvAString and ZvWString through the import library: code-page conversion
// (UTF-8 round trip, the library's own 7-bit code page, failures give the
// empty string), the copy rules, edit buffers and the UTF-8 heuristic.
#include "ZvOSAL/ZvAString.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvWString.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

using namespace ZvOSAL;

namespace {
const wchar_t kWide[] = L"Gr\u00fc\u00dfe \u20ac \u4e2d \U0001F600";
const char kUtf8[] = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac \xe4\xb8\xad \xf0\x9f\x98\x80";
const ZvCodepages kWestern = static_cast<ZvCodepages>(1252);
} // namespace

TEST(CodepageStrings, Utf8RoundTrip)
{
    ZvAString utf8(kWide, ZvCodepageUtf8);
    EXPECT_STREQ(kUtf8, utf8);
    EXPECT_EQ(static_cast<int>(std::strlen(kUtf8)), utf8.GetLength());
    EXPECT_EQ(ZvCodepageUtf8, utf8.GetCodepage());
    EXPECT_EQ(ZvCodepageUtf8, utf8.GetSourceCodepage());

    ZvWString back(&utf8);
    EXPECT_STREQ(kWide, back);
    EXPECT_EQ(static_cast<int>(wcslen(kWide)), back.GetLength());
    EXPECT_STREQ(kWide, ZvWString(kUtf8, ZvCodepageUtf8));
    EXPECT_STREQ(kWide, ZvString(kUtf8, ZvCodepageUtf8));
}

TEST(CodepageStrings, SevenBitCodePageTurnsEverythingElseIntoQuestionMarks)
{
    EXPECT_STREQ("Gr??e ? ? ??", ZvAString(kWide, ZvCodepage7Bit)) << "a surrogate pair is two units";
    EXPECT_STREQ(L"a?b??", ZvWString("a\xe9" "b\x80\xff", ZvCodepage7Bit));
    EXPECT_STREQ(L"a?b??", ZvString("a\xe9" "b\x80\xff", ZvCodepage7Bit));
    // 8-bit to 8-bit through UTF-16.
    EXPECT_STREQ("Gr??e", ZvAString("Gr\xfc\xdf" "e", ZvCodepage7Bit, kWestern));
    EXPECT_STREQ("plain ascii", ZvAString(L"plain ascii", ZvCodepage7Bit));
}

TEST(CodepageStrings, EightBitToEightBit)
{
    EXPECT_STREQ("caf\xc3\xa9", ZvAString("caf\xe9", ZvCodepageUtf8, kWestern));
    EXPECT_STREQ("caf\xe9", ZvAString("caf\xc3\xa9", kWestern, ZvCodepageUtf8));
    // Equal code pages copy the bytes unchecked.
    EXPECT_STREQ("\xff\xfe", ZvAString("\xff\xfe", ZvCodepageUtf8, ZvCodepageUtf8));

    ZvAString other("caf\xe9", kWestern, kWestern);
    EXPECT_STREQ("caf\xc3\xa9", ZvAString(&other, ZvCodepageUtf8));
    ZvAString fromNull(static_cast<ZvAString*>(nullptr), ZvCodepageUtf8);
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_EQ(ZvCodepageUtf8, fromNull.GetCodepage());
}

TEST(CodepageStrings, FailuresGiveTheEmptyString)
{
    const ZvCodepages unknown = static_cast<ZvCodepages>(12345);
    EXPECT_TRUE(ZvAString(L"text", unknown).IsEmpty());
    EXPECT_TRUE(ZvWString("text", unknown).IsEmpty());
    EXPECT_TRUE(ZvAString("text", unknown, ZvCodepageUtf8).IsEmpty());
    EXPECT_TRUE(ZvAString(static_cast<const wchar_t*>(nullptr), ZvCodepageUtf8).IsEmpty());
    EXPECT_TRUE(ZvWString(static_cast<const char*>(nullptr), ZvCodepageUtf8).IsEmpty());
    EXPECT_STREQ("", ZvAString(L"", ZvCodepageUtf8));
}

TEST(CodepageStrings, CopiesTakeTheCodePages)
{
    // Both code pages equal: the copy is the same text.
    ZvAString utf8(kWide, ZvCodepageUtf8);
    ZvAString copy(utf8);
    EXPECT_STREQ(kUtf8, copy);
    ZvAString assigned(ZvCodepage7Bit, ZvCodepage7Bit);
    assigned = utf8;
    EXPECT_STREQ(kUtf8, assigned);
    EXPECT_EQ(ZvCodepageUtf8, assigned.GetCodepage());

    // Different code pages: a copy converts the stored text from the source
    // code page once more.
    ZvAString converted("\xe9", ZvCodepageUtf8, kWestern);
    EXPECT_STREQ("\xc3\xa9", converted);
    EXPECT_STREQ("\xc3\x83\xc2\xa9", ZvAString(converted));

    ZvWString wide("\xe9", kWestern);
    ZvWString wideCopy(wide);
    EXPECT_STREQ(L"\u00e9", wideCopy);
    EXPECT_EQ(kWestern, wideCopy.GetCodepage());
    ZvWString wideAssigned;
    wideAssigned = wide;
    EXPECT_EQ(kWestern, wideAssigned.GetCodepage());
    wideAssigned = "\xfc";
    EXPECT_STREQ(L"\u00fc", wideAssigned) << "8-bit text is read in the object's code page";
}

TEST(CodepageStrings, AssignmentConverts)
{
    ZvAString text(ZvCodepageUtf8, kWestern);
    text = L"\u00e9";
    EXPECT_STREQ("\xc3\xa9", text);
    text = "\xe9";
    EXPECT_STREQ("\xc3\xa9", text) << "8-bit text is read in the source code page";
    text = static_cast<const char*>(nullptr);
    EXPECT_TRUE(text.IsEmpty());
    text = "self";
    text = static_cast<const char*>(text);
    EXPECT_STREQ("self", text);
}

TEST(CodepageStrings, EditBuffers)
{
    ZvAString text(L"abcdef", ZvCodepageUtf8);
    char* buffer = text.GetBuffer(3);
    EXPECT_STREQ("abc", buffer) << "at most n characters of the text";
    EXPECT_EQ(buffer, text.GetBuffer(50)) << "an outstanding buffer is returned again";
    std::strcpy(buffer, "xy");
    EXPECT_STREQ("abcdef", text) << "the text changes only at ReleaseBuffer";
    text.ReleaseBuffer();
    EXPECT_STREQ("xy", text);
    text.ReleaseBuffer();
    EXPECT_STREQ("xy", text);

    char* whole = text.GetBuffer(0);
    EXPECT_STREQ("xy", whole) << "0 means the current length";
    ZvAString other(L"other", ZvCodepageUtf8);
    text = other;  // drops the outstanding buffer
    EXPECT_NE(nullptr, text.GetBuffer(2));
    text.ReleaseBuffer();
    EXPECT_STREQ("ot", text);

    ZvWString wide(L"wide");
    wchar_t* wideBuffer = wide.GetBuffer(10);
    EXPECT_STREQ(L"wide", wideBuffer);
    wcscpy(wideBuffer, L"written!!");
    wide.ReleaseBuffer();
    EXPECT_STREQ(L"written!!", wide);
    EXPECT_EQ(9, wide.GetLength());
}

TEST(CodepageStrings, Utf8Heuristic)
{
    EXPECT_TRUE(ZvAString::isUTF8(ZvAString("\xc3\xa9", kWestern, kWestern)));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString("\xe9", kWestern, kWestern)));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString()));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString("plain", kWestern, kWestern)));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString("\xc3", kWestern, kWestern)));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString("\xc3\x41", kWestern, kWestern)));
    EXPECT_FALSE(ZvAString::isUTF8(ZvAString("\xbf\xa9", kWestern, kWestern)));
    EXPECT_TRUE(ZvAString::isUTF8(ZvAString("x\xff\xbfx", kWestern, kWestern))) << "a heuristic, not a validation";
}
