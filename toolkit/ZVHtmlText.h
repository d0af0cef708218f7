// Release notes as plain formatted text: a tolerant reader of the HTML the
// update server sends, for places where no browser can show the page (no
// browser engine, a locked-down system). It keeps what carries meaning in
// release notes and drops the rest:
//   h1..h6                      headings
//   p, div, br, tr, blockquote  paragraphs and line breaks
//   ul/ol with li, dl/dt/dd     list items (bullets or numbers, nested)
//   b, strong / i, em           bold / italic runs
//   a                           its text (the address is not shown)
//   img                         its alt text
//   pre                         text with its line breaks and blanks
//   script, style, head, title  left out
// Entities (&amp;, &#233;, &#x20AC;, the common named ones) are decoded;
// white space outside pre collapses to single blanks. Any input gives a
// result: unknown tags are ignored, unclosed ones end with the text.
#pragma once

#include <string>
#include <vector>

namespace ZVHtmlText {

struct Run {
    std::wstring text;
    bool bold = false;
    bool italic = false;
};

enum class BlockKind { Paragraph, Heading, ListItem, Preformatted };

struct Block {
    BlockKind kind = BlockKind::Paragraph;
    int level = 0;  // heading 1..6; list nesting 1..kMaxListDepth
    int number = 0; // ordered list item number; 0 for a bullet
    std::vector<Run> runs;
};

// Deeper lists are shown at this depth.
constexpr int kMaxListDepth = 6;
// Text beyond this many characters of input is not read.
constexpr size_t kMaxInputChars = 4u << 20;

std::vector<Block> Parse(const std::wstring& html);

// The blocks as RTF for a rich edit control: 7-bit text, other characters as
// \uN escapes, face the font of the text, sizes in points (headings larger).
std::string ToRtf(const std::vector<Block>& blocks, const std::wstring& face, int pointSize);

// The blocks as lines of text (headings, items with "- " or "1. "), for logs
// and tests.
std::wstring ToPlainText(const std::vector<Block>& blocks);

} // namespace ZVHtmlText
