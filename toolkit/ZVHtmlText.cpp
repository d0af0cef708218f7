#include "toolkit/ZVHtmlText.h"

#include <cwchar>
#include <cwctype>

namespace ZVHtmlText {

namespace {

struct NamedEntity {
    const wchar_t* name;
    wchar_t value;
};

const NamedEntity kEntities[] = {
    {L"amp", L'&'},      {L"lt", L'<'},       {L"gt", L'>'},       {L"quot", L'"'},    {L"apos", L'\''},
    {L"nbsp", 0xA0},     {L"copy", 0xA9},     {L"reg", 0xAE},      {L"trade", 0x2122}, {L"mdash", 0x2014},
    {L"ndash", 0x2013},  {L"hellip", 0x2026}, {L"laquo", 0xAB},    {L"raquo", 0xBB},   {L"bull", 0x2022},
    {L"euro", 0x20AC},   {L"middot", 0xB7},   {L"lsquo", 0x2018},  {L"rsquo", 0x2019}, {L"ldquo", 0x201C},
    {L"rdquo", 0x201D},  {L"auml", 0xE4},     {L"ouml", 0xF6},     {L"uuml", 0xFC},    {L"Auml", 0xC4},
    {L"Ouml", 0xD6},     {L"Uuml", 0xDC},     {L"szlig", 0xDF},    {L"eacute", 0xE9},  {L"egrave", 0xE8},
};

// Elements whose content is never shown.
const wchar_t* const kHiddenElements[] = {L"script", L"style", L"head", L"title", L"noscript", L"template"};
// Elements that end the current block and start the next one.
const wchar_t* const kBlockElements[] = {L"p",       L"div",    L"blockquote", L"tr",      L"dt",
                                         L"dd",      L"table",  L"section",    L"article", L"header",
                                         L"footer",  L"center", L"address",    L"hr",      L"form",
                                         L"body",    L"html",   L"dl",         L"nav",     L"main"};

bool IsOneOf(const std::wstring& name, const wchar_t* const* names, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (name == names[i])
            return true;
    return false;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\f'; }

bool IsNameChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L':' || c == L'_';
}

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// Case-insensitive search for needle (lower case) from position from.
size_t FindNoCase(const std::wstring& text, const std::wstring& needle, size_t from)
{
    if (needle.empty() || text.size() < needle.size())
        return std::wstring::npos;
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && Lower(text[i + k]) == needle[k])
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::wstring::npos;
}

// The character an entity stands for; at is just after '&'. Advances past
// the entity when one is recognised, else leaves at where it was.
bool DecodeEntity(const std::wstring& text, size_t& at, std::wstring& out)
{
    size_t i = at;
    if (i < text.size() && text[i] == L'#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == L'x' || text[i] == L'X');
        if (hex)
            ++i;
        unsigned long value = 0;
        size_t digits = 0;
        for (; i < text.size() && digits < 8; ++i, ++digits) {
            const wchar_t c = text[i];
            int d = -1;
            if (c >= L'0' && c <= L'9')
                d = c - L'0';
            else if (hex && c >= L'a' && c <= L'f')
                d = c - L'a' + 10;
            else if (hex && c >= L'A' && c <= L'F')
                d = c - L'A' + 10;
            if (d < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<unsigned long>(d);
        }
        if (digits == 0)
            return false;
        if (i < text.size() && text[i] == L';')
            ++i;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            value = 0xFFFD;
        if (value >= 0x10000) {
            value -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (value >> 10));
            out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
        } else {
            out += static_cast<wchar_t>(value);
        }
        at = i;
        return true;
    }
    size_t end = i;
    while (end < text.size() && end - i < 10 && ((text[end] >= L'a' && text[end] <= L'z') ||
                                                  (text[end] >= L'A' && text[end] <= L'Z')))
        ++end;
    const std::wstring name = text.substr(i, end - i);
    for (const NamedEntity& entity : kEntities) {
        if (name == entity.name) {
            out += entity.value;
            at = end < text.size() && text[end] == L';' ? end + 1 : end;
            return true;
        }
    }
    return false;
}

std::wstring DecodeText(const std::wstring& raw)
{
    std::wstring out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        if (raw[i] == L'&') {
            size_t at = i + 1;
            if (DecodeEntity(raw, at, out)) {
                i = at;
                continue;
            }
        }
        out += raw[i++];
    }
    return out;
}

struct Tag {
    std::wstring name; // lower case
    bool closing = false;
    bool selfClosing = false;
    std::wstring alt; // img alt, decoded
};

// Reads a tag that starts at text[at] == '<'; at moves past its '>'. False
// when the tag never ends (the rest of the input is then not shown).
bool ReadTag(const std::wstring& text, size_t& at, Tag& tag)
{
    size_t i = at + 1;
    if (i < text.size() && text[i] == L'/') {
        tag.closing = true;
        ++i;
    }
    while (i < text.size() && IsNameChar(text[i]))
        tag.name += Lower(text[i++]);
    while (i < text.size() && text[i] != L'>') {
        if (IsSpace(text[i]) || text[i] == L'/') {
            tag.selfClosing = text[i] == L'/';
            ++i;
            continue;
        }
        std::wstring attribute;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != L'=' && text[i] != L'>' && text[i] != L'/')
            attribute += Lower(text[i++]);
        std::wstring value;
        if (i < text.size() && text[i] == L'=') {
            ++i;
            if (i < text.size() && (text[i] == L'"' || text[i] == L'\'')) {
                const wchar_t quote = text[i++];
                const size_t end = text.find(quote, i);
                if (end == std::wstring::npos)
                    return false;
                value = text.substr(i, end - i);
                i = end + 1;
            } else {
                while (i < text.size() && !IsSpace(text[i]) && text[i] != L'>')
                    value += text[i++];
            }
        }
        if (attribute == L"alt")
            tag.alt = DecodeText(value);
        if (attribute.empty() && value.empty() && i < text.size() && text[i] != L'>')
            ++i; // a stray character
    }
    if (i >= text.size())
        return false;
    at = i + 1;
    return true;
}

class Builder {
public:
    std::vector<Block> blocks;

    void Text(const std::wstring& decoded)
    {
        for (wchar_t c : decoded) {
            if (m_pre == 0 && IsSpace(c)) {
                m_space = true;
                continue;
            }
            if (c < 0x20 && c != L'\n' && c != L'\t')
                continue;
            Block& block = Current();
            // A collapsed blank belongs to the text before it.
            if (m_pre == 0 && m_space && HasText(block))
                block.runs.back().text += L' ';
            m_space = false;
            if (m_pre > 0 && c == L'\r')
                continue;
            Append(block, c);
        }
    }

    void LineBreak()
    {
        Append(Current(), L'\n');
        m_space = false;
    }

    void StartElement(const Tag& tag)
    {
        const std::wstring& n = tag.name;
        if (n == L"b" || n == L"strong") {
            ++m_bold;
        } else if (n == L"i" || n == L"em") {
            ++m_italic;
        } else if (n == L"br") {
            LineBreak();
        } else if (n == L"img") {
            if (!tag.alt.empty())
                Text(tag.alt);
        } else if (n.size() == 2 && n[0] == L'h' && n[1] >= L'1' && n[1] <= L'6') {
            Start(BlockKind::Heading, n[1] - L'0', 0);
        } else if (n == L"ul" || n == L"ol") {
            EndBlock();
            m_lists.push_back(n == L"ol" ? 1 : 0);
        } else if (n == L"li") {
            int number = 0;
            if (!m_lists.empty() && m_lists.back() > 0)
                number = m_lists.back()++;
            Start(BlockKind::ListItem, ListDepth() > 0 ? ListDepth() : 1, number);
        } else if (n == L"pre") {
            Start(BlockKind::Preformatted, ListDepth(), 0);
            ++m_pre;
            m_skipNewline = true;
        } else if (IsOneOf(n, kBlockElements, sizeof(kBlockElements) / sizeof(kBlockElements[0]))) {
            // A paragraph that opens a list item continues the item.
            if (!(m_open && blocks.back().kind == BlockKind::ListItem && !HasText(blocks.back())))
                EndBlock();
        }
    }

    void EndElement(const std::wstring& n)
    {
        if (n == L"b" || n == L"strong") {
            m_bold = m_bold > 0 ? m_bold - 1 : 0;
        } else if (n == L"i" || n == L"em") {
            m_italic = m_italic > 0 ? m_italic - 1 : 0;
        } else if (n == L"ul" || n == L"ol") {
            EndBlock();
            if (!m_lists.empty())
                m_lists.pop_back();
        } else if (n == L"pre") {
            EndBlock();
            m_pre = m_pre > 0 ? m_pre - 1 : 0;
        } else if ((n.size() == 2 && n[0] == L'h' && n[1] >= L'1' && n[1] <= L'6') || n == L"li" ||
                   IsOneOf(n, kBlockElements, sizeof(kBlockElements) / sizeof(kBlockElements[0]))) {
            EndBlock();
        }
    }

    // The first line break right after <pre> is not part of the text.
    bool SkipNewline()
    {
        const bool skip = m_skipNewline;
        m_skipNewline = false;
        return skip;
    }

    void Finish() { EndBlock(); }

private:
    int ListDepth() const
    {
        const int depth = static_cast<int>(m_lists.size());
        return depth > kMaxListDepth ? kMaxListDepth : depth;
    }

    static bool HasText(const Block& block)
    {
        for (const Run& run : block.runs)
            if (!run.text.empty())
                return true;
        return false;
    }

    Block& Current()
    {
        if (!m_open) {
            // Text outside any block: a paragraph, indented inside a list.
            Block block;
            block.kind = m_pre > 0 ? BlockKind::Preformatted : BlockKind::Paragraph;
            block.level = ListDepth();
            blocks.push_back(block);
            m_open = true;
        }
        return blocks.back();
    }

    void Append(Block& block, wchar_t c)
    {
        const bool bold = m_bold > 0 || block.kind == BlockKind::Heading;
        const bool italic = m_italic > 0;
        if (block.runs.empty() || block.runs.back().bold != bold || block.runs.back().italic != italic) {
            Run run;
            run.bold = bold;
            run.italic = italic;
            block.runs.push_back(run);
        }
        block.runs.back().text += c;
    }

    void Start(BlockKind kind, int level, int number)
    {
        EndBlock();
        Block block;
        block.kind = kind;
        block.level = level;
        block.number = number;
        blocks.push_back(block);
        m_open = true;
    }

    void EndBlock()
    {
        if (m_open) {
            Block& block = blocks.back();
            // Trailing blanks and line breaks go; an empty block goes.
            while (!block.runs.empty()) {
                std::wstring& text = block.runs.back().text;
                while (!text.empty() && (text.back() == L' ' || text.back() == L'\n'))
                    text.pop_back();
                if (!text.empty())
                    break;
                block.runs.pop_back();
            }
            if (block.runs.empty())
                blocks.pop_back();
        }
        m_open = false;
        m_space = false;
    }

    std::vector<int> m_lists; // per open list: next number (ol) or 0 (ul)
    int m_bold = 0, m_italic = 0, m_pre = 0;
    bool m_open = false, m_space = false, m_skipNewline = false;
};

void AppendEscaped(std::string& rtf, const std::wstring& text)
{
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'{' || c == L'}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c == L'\n') {
            rtf += "\\line ";
        } else if (c == L'\t') {
            rtf += "\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            rtf += static_cast<char>(c);
        } else if (c >= 0x80) {
            // \uN takes a signed 16-bit number, followed by one fallback character.
            rtf += "\\u" + std::to_string(c > 0x7FFF ? static_cast<int>(c) - 0x10000 : static_cast<int>(c)) + "?";
        }
    }
}

} // namespace

std::vector<Block> Parse(const std::wstring& input)
{
    const std::wstring html = input.size() > kMaxInputChars ? input.substr(0, kMaxInputChars) : input;
    Builder builder;
    size_t i = 0;
    while (i < html.size()) {
        const wchar_t c = html[i];
        if (c != L'<') {
            const size_t next = html.find(L'<', i);
            const size_t end = next == std::wstring::npos ? html.size() : next;
            std::wstring raw = html.substr(i, end - i);
            if (builder.SkipNewline() && !raw.empty()) {
                if (raw[0] == L'\r')
                    raw.erase(0, 1);
                if (!raw.empty() && raw[0] == L'\n')
                    raw.erase(0, 1);
            }
            builder.Text(DecodeText(raw));
            i = end;
            continue;
        }
        if (html.compare(i, 4, L"<!--") == 0) {
            const size_t end = html.find(L"-->", i + 4);
            i = end == std::wstring::npos ? html.size() : end + 3;
            continue;
        }
        if (html.compare(i, 9, L"<![CDATA[") == 0) {
            const size_t end = html.find(L"]]>", i + 9);
            const size_t stop = end == std::wstring::npos ? html.size() : end;
            builder.Text(html.substr(i + 9, stop - i - 9));
            i = end == std::wstring::npos ? html.size() : end + 3;
            continue;
        }
        const wchar_t next = i + 1 < html.size() ? html[i + 1] : 0;
        if (next == L'!' || next == L'?') {
            const size_t end = html.find(L'>', i);
            i = end == std::wstring::npos ? html.size() : end + 1;
            continue;
        }
        if (!(next == L'/' || (next >= L'a' && next <= L'z') || (next >= L'A' && next <= L'Z'))) {
            builder.Text(L"<");
            ++i;
            continue;
        }
        Tag tag;
        if (!ReadTag(html, i, tag))
            break;
        builder.SkipNewline();
        if (tag.closing) {
            builder.EndElement(tag.name);
        } else if (IsOneOf(tag.name, kHiddenElements, sizeof(kHiddenElements) / sizeof(kHiddenElements[0]))) {
            if (!tag.selfClosing) {
                const size_t end = FindNoCase(html, L"</" + tag.name, i);
                if (end == std::wstring::npos)
                    break;
                const size_t close = html.find(L'>', end);
                i = close == std::wstring::npos ? html.size() : close + 1;
            }
        } else {
            builder.StartElement(tag);
            if (tag.selfClosing && tag.name != L"br" && tag.name != L"img")
                builder.EndElement(tag.name);
        }
    }
    builder.Finish();
    return builder.blocks;
}

std::string ToRtf(const std::vector<Block>& blocks, const std::wstring& face, int pointSize)
{
    if (pointSize < 6 || pointSize > 72)
        pointSize = 9;
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil ";
    std::wstring cleanFace;
    for (wchar_t c : face)
        if (c != L';' && c != L'{' && c != L'}' && c != L'\\')
            cleanFace += c;
    AppendEscaped(rtf, cleanFace.empty() ? std::wstring(L"Tahoma") : cleanFace);
    rtf += ";}}\\uc1\\f0\n";
    for (const Block& block : blocks) {
        int size = pointSize;
        rtf += "\\pard";
        switch (block.kind) {
        case BlockKind::Heading:
            size = pointSize + (block.level <= 1 ? 5 : block.level == 2 ? 3 : block.level == 3 ? 2 : 1);
            rtf += "\\keepn\\sb120\\sa80";
            break;
        case BlockKind::ListItem:
            rtf += "\\fi-280\\li" + std::to_string(360 * block.level) + "\\tx" + std::to_string(360 * block.level) +
                   "\\sa60";
            break;
        default:
            rtf += "\\li" + std::to_string(360 * block.level) + "\\sa120";
            break;
        }
        rtf += "\\fs" + std::to_string(size * 2) + " ";
        if (block.kind == BlockKind::ListItem) {
            if (block.number > 0)
                rtf += std::to_string(block.number) + ".";
            else
                rtf += "\\u8226?";
            rtf += "\\tab ";
        }
        for (const Run& run : block.runs) {
            rtf += "{";
            if (run.bold)
                rtf += "\\b";
            if (run.italic)
                rtf += "\\i";
            // A space ends a control word; anywhere else it is text.
            if (run.bold || run.italic)
                rtf += " ";
            AppendEscaped(rtf, run.text);
            rtf += "}";
        }
        rtf += "\\par\n";
    }
    rtf += "}";
    return rtf;
}

std::wstring ToPlainText(const std::vector<Block>& blocks)
{
    std::wstring text;
    for (const Block& block : blocks) {
        if (!text.empty())
            text += L"\n";
        if (block.kind == BlockKind::ListItem) {
            text.append(static_cast<size_t>(block.level - 1) * 2, L' ');
            text += block.number > 0 ? std::to_wstring(block.number) + L". " : std::wstring(L"- ");
        }
        for (const Run& run : block.runs)
            text += run.text;
    }
    return text;
}

} // namespace ZVHtmlText
