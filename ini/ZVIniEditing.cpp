// The INI reader's changes: values, keys and sections set or removed with
// their lines, merging, and saving the lines back to a file.
#include "ini/ZVIniContent.h"

#include <cwchar>

namespace ZvIniInternal {

namespace {

bool ValidSectionName(const wchar_t* name)
{
    for (const wchar_t* p = name; *p; ++p) {
        if (IsLineBreak(*p) || *p == L']')
            return false;
    }
    return true;
}

// A key must read back as the same key from a written file.
bool ValidKeyName(const wchar_t* key)
{
    const size_t length = wcslen(key);
    if (length > 0) {
        const wchar_t first = key[0];
        if (IsBlank(first) || first == L';' || first == L'#' || first == L'[' || first == L'$' ||
            IsBlank(key[length - 1]))
            return false;
    }
    for (const wchar_t* p = key; *p; ++p) {
        if (IsLineBreak(*p) || *p == L'=')
            return false;
    }
    return true;
}

bool ValidValue(const wchar_t* value)
{
    for (const wchar_t* p = value; *p; ++p) {
        if (IsLineBreak(*p))
            return false;
    }
    return true;
}

bool LineOf(const CZVIniRawLine& line, const std::wstring& section)
{
    return !line.pseudo && line.section == section;
}

long LastIncludeLine(const CZVIniContent& content)
{
    for (size_t i = content.lines.size(); i-- > 0;) {
        if (content.lines[i].kind == CZVIniRawLine::eInclude)
            return static_cast<long>(i);
    }
    return -1;
}

CZVIniRawLine MakeHeaderLine(const std::wstring& name, const std::wstring& folded)
{
    CZVIniRawLine line;
    line.text = L"[" + name + L"]";
    line.kind = CZVIniRawLine::eHeader;
    line.pseudo = false;
    line.section = folded;
    return line;
}

CZVIniRawLine MakeKeyLine(const std::wstring& key, const std::wstring& value, const std::wstring& section)
{
    CZVIniRawLine line;
    line.text = key + L"=" + value;
    line.kind = CZVIniRawLine::eKey;
    line.pseudo = false;
    line.section = section;
    line.key = ZvIni::FoldName(key);
    return line;
}

} // namespace

CZvStringMap& EnsureSection(CZVIniContent& content, const std::wstring& name)
{
    bool created = false;
    CZvStringMap& map = content.sections.Add(name, &created);
    if (created)
        content.lines.push_back(MakeHeaderLine(name, ZvIni::FoldName(name)));
    return map;
}

namespace {

void RemoveKeyLines(CZVIniContent& content, const std::wstring& section, const std::wstring& key)
{
    auto& lines = content.lines;
    size_t kept = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool drop = lines[i].kind == CZVIniRawLine::eKey && LineOf(lines[i], section) && lines[i].key == key;
        if (!drop) {
            if (kept != i)
                lines[kept] = std::move(lines[i]);
            ++kept;
        }
    }
    lines.resize(kept);
}

// What the parser reads back from "key=value": no blanks at the ends, and no
// surrounding quotes while the content strips them.
std::wstring ValueAsRead(const std::wstring& value, bool stripQuotes)
{
    size_t first = 0, last = value.size();
    while (first < last && IsBlank(value[first]))
        ++first;
    while (last > first && IsBlank(value[last - 1]))
        --last;
    if (stripQuotes && HasQuotes(value.data() + first, last - first)) {
        ++first;
        --last;
    }
    return value.substr(first, last - first);
}

void SetValue(CZVIniContent& content, const std::wstring& sectionName, const std::wstring& keyName,
              const std::wstring& value)
{
    CZvStringMap& map = EnsureSection(content, sectionName);
    const std::wstring& sectionSpelling =
        content.sections.GetAt(static_cast<size_t>(content.sections.Find(sectionName))).name;
    map.Set(keyName, ValueAsRead(value, content.stripQuotes));
    const std::wstring keySpelling = map.GetAt(static_cast<size_t>(map.Find(keyName))).name;
    const std::wstring section = ZvIni::FoldName(sectionName);
    const std::wstring key = ZvIni::FoldName(keyName);
    const long lastInclude = LastIncludeLine(content);

    // The last line of the key wins on reading; rewrite it in place unless an
    // include below could override it.
    long keyLine = -1;
    for (size_t i = content.lines.size(); i-- > 0;) {
        const CZVIniRawLine& line = content.lines[i];
        if (line.kind == CZVIniRawLine::eKey && LineOf(line, section) && line.key == key) {
            keyLine = static_cast<long>(i);
            break;
        }
    }
    if (keyLine >= 0 && keyLine > lastInclude) {
        std::wstring& text = content.lines[static_cast<size_t>(keyLine)].text;
        size_t cut = text.find(L'=');
        cut = (cut == std::wstring::npos) ? text.size() : cut + 1;
        while (cut < text.size() && IsBlank(text[cut]))
            ++cut;
        text.resize(cut);
        text += value;
        content.modified = true;
        return;
    }

    RemoveKeyLines(content, section, key);
    long anchor = -1; // last header or key line of the section
    for (size_t i = content.lines.size(); i-- > 0;) {
        const CZVIniRawLine& line = content.lines[i];
        if (LineOf(line, section) && (line.kind == CZVIniRawLine::eHeader || line.kind == CZVIniRawLine::eKey)) {
            anchor = static_cast<long>(i);
            break;
        }
    }
    if (anchor >= 0 && anchor > LastIncludeLine(content)) {
        content.lines.insert(content.lines.begin() + anchor + 1, MakeKeyLine(keySpelling, value, section));
    } else {
        content.lines.push_back(MakeHeaderLine(sectionSpelling, section));
        content.lines.push_back(MakeKeyLine(keySpelling, value, section));
    }
    content.modified = true;
}

void RemoveKey(CZVIniContent& content, const std::wstring& sectionName, const std::wstring& keyName)
{
    CZvStringMap* map = content.sections.Lookup(sectionName);
    if (!map)
        return;
    const size_t before = content.lines.size();
    const bool removed = map->Remove(keyName);
    RemoveKeyLines(content, ZvIni::FoldName(sectionName), ZvIni::FoldName(keyName));
    if (removed || content.lines.size() != before)
        content.modified = true;
}

void RemoveSection(CZVIniContent& content, const std::wstring& sectionName)
{
    const bool removed = content.sections.Remove(sectionName);
    const std::wstring section = ZvIni::FoldName(sectionName);
    auto& lines = content.lines;
    size_t kept = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        // Include lines stay: what they bring belongs to other sections too.
        const bool drop = LineOf(lines[i], section) && lines[i].kind != CZVIniRawLine::eInclude;
        if (!drop) {
            if (kept != i)
                lines[kept] = std::move(lines[i]);
            ++kept;
        }
    }
    const bool linesRemoved = kept != lines.size();
    lines.resize(kept);
    if (removed || linesRemoved)
        content.modified = true;
}

} // namespace

} // namespace ZvIniInternal

using namespace ZvIniInternal;

bool CZVIniFileReader::Merge(const CZVIniFileReader* other)
{
    if (!other || !IsLoadedContent() || !other->IsLoadedContent())
        return false;
    if (other->m_content == m_content) {
        m_content->modified = true;
        return true;
    }
    const CZvStringObjMap sections = other->m_content->sections; // a snapshot
    for (size_t s = 0; s < sections.GetCount(); ++s) {
        const auto& section = sections.GetAt(s);
        EnsureSection(*m_content, section.name);
        for (size_t k = 0; k < section.value.GetCount(); ++k)
            SetValue(*m_content, section.name, section.value.GetAt(k).name, section.value.GetAt(k).value);
    }
    m_content->modified = true;
    return true;
}

int CZVIniFileReader::WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value)
{
    if (!IsLoadedContent() || !section)
        return 0;
    if (!key) {
        RemoveSection(*m_content, section);
        return 1;
    }
    if (!value) {
        RemoveKey(*m_content, section, key);
        return 1;
    }
    if (!ValidSectionName(section) || !ValidKeyName(key) || !ValidValue(value))
        return 0;
    SetValue(*m_content, section, key, value);
    return 1;
}

bool CZVIniFileReader::WriteSection(const wchar_t* section, const CZvStringMap& pairs)
{
    if (!IsLoadedContent() || !section || !ValidSectionName(section))
        return false;
    for (size_t i = 0; i < pairs.GetCount(); ++i) {
        if (!ValidKeyName(pairs.GetAt(i).name.c_str()) || !ValidValue(pairs.GetAt(i).value.c_str()))
            return false;
    }
    const std::wstring name(section);
    EnsureSection(*m_content, name);
    std::vector<std::wstring> stale;
    const CZvStringMap& existing = *m_content->sections.Lookup(name);
    for (size_t i = 0; i < existing.GetCount(); ++i) {
        if (pairs.Find(existing.GetAt(i).name) < 0)
            stale.push_back(existing.GetAt(i).name);
    }
    for (const std::wstring& key : stale)
        RemoveKey(*m_content, name, key);
    for (size_t i = 0; i < pairs.GetCount(); ++i)
        SetValue(*m_content, name, pairs.GetAt(i).name, pairs.GetAt(i).value);
    m_content->modified = true;
    return true;
}

bool CZVIniFileReader::Save(const wchar_t* path)
{
    if (!IsLoadedContent())
        return false;
    const std::wstring target = path ? std::wstring(path) : m_content->path;
    if (target.empty())
        return false;

    std::wstring text;
    for (const CZVIniRawLine& line : m_content->lines) {
        text += line.text;
        text += L"\r\n";
    }
    std::string bytes;
    if (!EncodeText(text, m_content->encoding, bytes))
        return false;
    const unsigned long wait = (m_content->haveOptions && m_content->options.lockWaitMilliseconds != 0)
                                   ? m_content->options.lockWaitMilliseconds
                                   : kDefaultLockWaitMilliseconds;
    if (!WriteFileReplacing(target, bytes, wait))
        return false;

    const std::wstring key = CacheKey(target);
    const bool own = !m_content->path.empty() && CacheKey(m_content->path) == key;
    FileCache& cache = Cache();
    ZvOSAL::ZvCriticalSectionLock lock(cache.lock, 1);
    const int mode = m_content->stripQuotes ? 1 : 0;
    if (own) {
        m_content->modified = false;
        cache.files[mode][key] = m_content;
        cache.files[1 - mode].erase(key); // parsed from the old text
    } else {
        cache.files[0].erase(key);
        cache.files[1].erase(key);
    }
    return true;
}

bool CZVIniFileReader::SetEncoding(int encoding)
{
    if (!IsLoadedContent() || encoding < eAnsi || encoding > eUtf16BE)
        return false;
    m_content->encoding = encoding;
    return true;
}
