// ZvVersion through the DLL: parsing dotted text, the display name and the
// part-by-part comparison.
#include "ZvOSAL/ZvVersion.h"

#include <gtest/gtest.h>

#include <string>

using ZvOSAL::ZvString;
using ZvOSAL::ZvVersion;

namespace {

std::wstring Display(const ZvVersion& v)
{
    ZvString name = v.GetDisplayName();
    return std::wstring(name.c_str(), static_cast<size_t>(name.GetLength()));
}

std::wstring Parsed(const wchar_t* text) { return Display(ZvVersion(ZvString(text))); }

} // namespace

TEST(VersionParse, DottedTexts)
{
    EXPECT_EQ(L"1.2.0.0", Parsed(L"1.2"));
    EXPECT_EQ(L"1.2.3.4", Parsed(L"1.2.3.4"));
    EXPECT_EQ(L"1.2.3.4", Parsed(L"1.2.3.4.5")); // further parts ignored
    EXPECT_EQ(L"7.0.0.0", Parsed(L"7"));
    EXPECT_EQ(L"1.2.0.0", Parsed(L"1.2.")); // a trailing dot adds no part
}

TEST(VersionParse, EmptyPartsAndLeadingDots)
{
    EXPECT_EQ(L"1.0.3.4", Parsed(L"1..3.4")); // the empty part takes its place
    EXPECT_EQ(L"1.2.0.0", Parsed(L".1.2"));  // a leading dot gives no part
    EXPECT_EQ(L"0.0.0.0", Parsed(L"..."));
    EXPECT_EQ(L"0.0.0.0", Parsed(L""));
    EXPECT_EQ(L"0.0.0.0", Parsed(L"."));
}

TEST(VersionParse, EachPartReadsDigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(L"10.0.7.0", Parsed(L"10.0b.7"));
    EXPECT_EQ(L"0.0.0.0", Parsed(L"abc"));
    EXPECT_EQ(L"0.2.0.0", Parsed(L"v1.2")); // "v1" has no leading digits
    EXPECT_EQ(L"7.8.0.0", Parsed(L" 7. 8"));  // leading white space is skipped
    EXPECT_EQ(L"2.5.0.0", Parsed(L"2.5 beta"));
    EXPECT_EQ(L"12.0.0.0", Parsed(L"0012.0"));
}

TEST(VersionParse, OverflowSaturatesAt32Bits)
{
    EXPECT_EQ(L"4294967295.4294967295.4294967295.0", Parsed(L"4294967295.4294967296.99999999999999999999"));
    ZvVersion v(ZvString(L"4294967296"));
    EXPECT_EQ(4294967295ul, v.GetVersion(ZvVersion::eVersion_Major));
}

TEST(VersionParse, AssignmentReplacesEveryPart)
{
    ZvVersion v(ZvString(L"1.2.3.4"));
    v = ZvString(L"5");
    EXPECT_EQ(L"5.0.0.0", Display(v));
    v = ZvString(L"");
    EXPECT_EQ(L"0.0.0.0", Display(v));
}

TEST(VersionParts, ConstructionAccessAndCopies)
{
    ZvVersion zero;
    EXPECT_EQ(L"0.0.0.0", Display(zero));

    ZvVersion v(1, 2, 3, 4);
    EXPECT_EQ(1ul, v.GetVersion(ZvVersion::eVersion_Major));
    EXPECT_EQ(2ul, v.GetVersion(ZvVersion::eVersion_Minor));
    EXPECT_EQ(3ul, v.GetVersion(ZvVersion::eVersion_Release));
    EXPECT_EQ(4ul, v.GetVersion(ZvVersion::eVersion_Build));
    v.SetVersion(ZvVersion::eVersion_Release, 4294967295ul);
    EXPECT_EQ(L"1.2.4294967295.4", Display(v));

    // Indexes outside 0..3 read 0 and change nothing.
    v.SetVersion(static_cast<ZvVersion::EVersion>(4), 9);
    EXPECT_EQ(0ul, v.GetVersion(static_cast<ZvVersion::EVersion>(-1)));
    EXPECT_EQ(L"1.2.4294967295.4", Display(v));

    ZvVersion copy(v);
    ZvVersion assigned;
    assigned = v;
    v.Init();
    EXPECT_EQ(L"0.0.0.0", Display(v));
    EXPECT_EQ(L"1.2.4294967295.4", Display(copy));
    EXPECT_EQ(L"1.2.4294967295.4", Display(assigned));
}

TEST(VersionCompare, NumericPartByPartOrder)
{
    ZvVersion v1_9(ZvString(L"1.9")), v1_10(ZvString(L"1.10")), v2(2, 0, 0, 0), big(1, 99, 99, 99);
    EXPECT_TRUE(v1_10 > v1_9); // numeric, not textual
    EXPECT_TRUE(v1_9 < v1_10);
    EXPECT_FALSE(v1_9 > v1_10);
    EXPECT_TRUE(v2 > big);      // the first difference decides
    EXPECT_TRUE(v1_10 >= v1_9);
    EXPECT_TRUE(v1_9 <= v1_10);
    EXPECT_FALSE(v1_9 == v1_10);

    ZvVersion same(ZvString(L"1.10.0.0"));
    EXPECT_TRUE(same == v1_10);
    EXPECT_TRUE(same <= v1_10);
    EXPECT_TRUE(same >= v1_10);
    EXPECT_FALSE(same < v1_10);
    EXPECT_FALSE(same > v1_10);

    // Parts are unsigned: the largest value is above every other.
    EXPECT_TRUE(ZvVersion(0, 0, 0, 4294967295ul) > ZvVersion(0, 0, 0, 2147483648ul));
    EXPECT_TRUE(ZvVersion(1, 0, 0, 1) > ZvVersion(1, 0, 0, 0));
}
