// The release-notes reader: what a page becomes as formatted text, and a
// seeded run of damaged and random pages that must always give well-formed
// RTF without a crash.
#include "toolkit/ZVHtmlText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::wstring Plain(const wchar_t* html) { return ZVHtmlText::ToPlainText(ZVHtmlText::Parse(html)); }

TEST(HtmlText, PagesBecomeHeadingsParagraphsAndLists)
{
    const struct {
        const wchar_t* html;
        const wchar_t* text;
    } cases[] = {
        {L"<h1>Sample 1.1</h1><ul><li>Faster</li><li>New: <b>PDF</b></li></ul>", L"Sample 1.1\n- Faster\n- New: PDF"},
        {L"<html><head><title>T</title><style>p{}</style></head><body><p>a\n  b</p><p>c</p></body></html>",
         L"a b\nc"},
        {L"<ol><li>one<ol><li>inner</li></ol></li><li>two</li></ol>", L"1. one\n  1. inner\n2. two"},
        {L"<p>x<br>y</p><script>alert(1)</script><!-- gone -->z", L"x\ny\nz"},
        {L"<a href=\"http://e.x\">link text</a> &amp; &lt;&#233;&#x20AC;&unknown;", L"link text & <\u00e9\u20ac&unknown;"},
        {L"<li><p>item para</p></li><img alt=\"[logo]\" src=x>", L"- item para\n[logo]"},
        {L"<pre>\n  two  blanks\n  kept</pre>", L"  two  blanks\n  kept"},
        {L"a < b and <b unclosed", L"a < b and"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.text), Plain(c.html)) << std::wstring(c.html).c_str();
    const auto blocks = ZVHtmlText::Parse(L"<h2>Fixes</h2><p>plain <i>it</i> <strong>bold</strong></p>");
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(ZVHtmlText::BlockKind::Heading, blocks[0].kind);
    EXPECT_EQ(2, blocks[0].level);
    ASSERT_EQ(3u, blocks[1].runs.size());
    EXPECT_TRUE(blocks[1].runs[1].italic);
    EXPECT_TRUE(blocks[1].runs[2].bold);
    const std::string rtf = ZVHtmlText::ToRtf(blocks, L"Tahoma", 9);
    EXPECT_NE(std::string::npos, rtf.find("\\fs24 {\\b Fixes}\\par"));
    EXPECT_NE(std::string::npos, rtf.find("{\\i it }{\\b bold}"));
}

// Every output is 7-bit RTF with balanced groups, whatever the input.
TEST(HtmlText, RandomAndDamagedPagesGiveWellFormedRtf)
{
    std::mt19937 random(20240611u);
    const wchar_t* pieces[] = {L"<h1>", L"</h1>", L"<ul>", L"<li>", L"</ul>", L"<ol>", L"</li>", L"<p>", L"<b>",
                               L"</i>", L"<pre>", L"</pre>", L"<br/>", L"<script>", L"</script", L"<!--", L"-->",
                               L"&#", L"&#x1F600;", L"&amp", L"{\\rtf}", L"\\", L"<a href='", L"\"", L">", L"<",
                               L"text ", L"\x00e9\x4e2d\xd83d", L"\n\t", L"<img alt=x", L"<![CDATA[", L"]]>"};
    for (int round = 0; round < 2000; ++round) {
        std::wstring html;
        for (size_t n = random() % 60; n > 0; --n)
            html += pieces[random() % (sizeof(pieces) / sizeof(pieces[0]))];
        const auto blocks = ZVHtmlText::Parse(html);
        const std::string rtf = ZVHtmlText::ToRtf(blocks, L"Ta{ho}ma;", 9);
        int depth = 0;
        bool escaped = false;
        for (char c : rtf) {
            ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << round;
            if (!escaped && c == '{')
                ++depth;
            if (!escaped && c == '}') {
                ASSERT_GT(depth--, 0) << round;
            }
            escaped = !escaped && c == '\\';
        }
        EXPECT_EQ(0, depth) << round;
        for (const auto& block : blocks)
            EXPECT_FALSE(block.runs.empty()) << round;
    }
}

} // namespace
