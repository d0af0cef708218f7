// CZVIniFileReader: loading, the cache-backed Open and the lookups. The
// parser, file I/O and editing are in ZVIniParser.cpp, ZVIniFileIO.cpp and
// ZVIniEditing.cpp.
#include "ini/ZVIniFileReader.h"

#include "ini/ZVIniContent.h"

#include "ZvOSAL/ZvString.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

using namespace ZvIniInternal;

namespace {

void StrippedValue(const std::wstring& value, bool strip, const wchar_t*& text, size_t& length)
{
    text = value.c_str();
    length = value.size();
    if (strip && HasQuotes(text, length)) {
        ++text;
        length -= 2;
    }
}

unsigned long CopyDefault(const wchar_t* defaultValue, wchar_t* buffer, unsigned long size)
{
    if (!defaultValue) {
        buffer[0] = L'\0';
        return 0;
    }
    size_t length = wcslen(defaultValue);
    if (length + 1 > size)
        length = size - 1;
    wmemcpy(buffer, defaultValue, length);
    buffer[length] = L'\0';
    return static_cast<unsigned long>(length);
}

unsigned long CopyValue(const wchar_t* text, size_t length, wchar_t* buffer, unsigned long size)
{
    if (length + 1 > size)
        length = size - 1;
    wmemcpy(buffer, text, length);
    buffer[length] = L'\0';
    return static_cast<unsigned long>(length);
}

// Names, each followed by a 0, then one more 0. A list that does not fit is
// cut to size characters whose last two are zeros.
template <class List>
unsigned long CopyNameList(const List& list, wchar_t* buffer, unsigned long size)
{
    if (size < 2) {
        buffer[0] = L'\0';
        return 0;
    }
    size_t written = 0;
    for (size_t i = 0; i < list.GetCount(); ++i) {
        const std::wstring& name = list.GetAt(i).name;
        if (written + name.size() + 1 + 1 > size) {
            const size_t room = size - written;
            wmemcpy(buffer + written, name.data(), std::min(room, name.size()));
            buffer[size - 2] = L'\0';
            buffer[size - 1] = L'\0';
            return size - 2;
        }
        wmemcpy(buffer + written, name.data(), name.size());
        written += name.size();
        buffer[written++] = L'\0';
    }
    buffer[written] = L'\0';
    if (written == 0) {
        // An empty list still ends with its double zero.
        buffer[1] = L'\0';
    }
    return static_cast<unsigned long>(written);
}

} // namespace

// ---------------------------------------------------------------- the reader

CZVIniFileReader::CZVIniFileReader() : m_haveOptions(false), m_options(), m_stripQuotes(true)
{
    m_content = NewContent();
}

CZVIniFileReader::CZVIniFileReader(const CZVIniReaderOptions& options)
    : m_haveOptions(true), m_options(options), m_stripQuotes(true)
{
    m_content = NewContent();
}

CZVIniFileReader::~CZVIniFileReader() = default;

std::shared_ptr<CZVIniContent> CZVIniFileReader::NewContent() const
{
    auto content = std::make_shared<CZVIniContent>();
    content->haveOptions = m_haveOptions;
    content->options = m_options;
    content->stripQuotes = m_stripQuotes;
    return content;
}

bool CZVIniFileReader::IsLoadedContent() const { return m_content && m_content->loaded; }

bool CZVIniFileReader::LoadParsedText(const wchar_t* text, size_t length, int encoding)
{
    auto content = NewContent();
    content->encoding = encoding;
    LoadContext context = ContextFor(m_haveOptions, m_options, m_stripQuotes);
    ParseInto(*content, text, length, context);
    content->loaded = true;
    m_content = content;
    return true;
}

bool CZVIniFileReader::LoadFromText(const wchar_t* text, int length)
{
    if (IsLoadedContent())
        return true;
    if (!text)
        return false;
    size_t count = length < 0 ? wcslen(text) : static_cast<size_t>(length);
    const wchar_t* nul = wmemchr(text, L'\0', count);
    if (nul)
        count = static_cast<size_t>(nul - text);
    if (count > 0 && text[0] == 0xFEFF) {
        ++text;
        --count;
    }
    return LoadParsedText(text, count, eUtf16LE);
}

bool CZVIniFileReader::LoadFromBytes(const char* bytes, int length)
{
    if (IsLoadedContent())
        return true;
    if (!bytes)
        return false;
    const size_t count = length < 0 ? strlen(bytes) : static_cast<size_t>(length);
    std::wstring text;
    if (!DecodeAnsi(bytes, count, text))
        return false;
    return LoadParsedText(text.data(), text.size(), eAnsi);
}

bool CZVIniFileReader::Open(const wchar_t* path)
{
    m_content = NewContent();
    if (!path) {
        m_content->loaded = true;
        return true;
    }
    LoadContext context = ContextFor(m_haveOptions, m_options, m_stripQuotes);
    ReadResult result;
    std::shared_ptr<CZVIniContent> content = LoadFileThroughCache(path, context, result);
    if (content) {
        m_content = content;
        return true;
    }
    m_content->path = path;
    m_content->folder = FolderOf(path);
    if (result == ReadResult::Missing) {
        m_content->loaded = true;
        return true;
    }
    return false;
}

bool CZVIniFileReader::IsLoaded() { return IsLoadedContent(); }

bool CZVIniFileReader::IsLoaded() const { return IsLoadedContent(); }

const wchar_t* CZVIniFileReader::GetPath() const { return IsLoadedContent() ? m_content->path.c_str() : nullptr; }

const wchar_t* CZVIniFileReader::GetFolder() const
{
    return IsLoadedContent() ? m_content->folder.c_str() : nullptr;
}

bool CZVIniFileReader::GetSection(const wchar_t* section, CZvStringMap& pairs) const
{
    pairs.Clear();
    if (!IsLoadedContent() || !section)
        return false;
    const CZvStringMap* map = m_content->sections.Lookup(section, wcslen(section));
    if (!map)
        return false;
    for (size_t i = 0; i < map->GetCount(); ++i) {
        const wchar_t* text;
        size_t length;
        StrippedValue(map->GetAt(i).value, m_stripQuotes, text, length);
        pairs.Set(map->GetAt(i).name, std::wstring(text, length));
    }
    return true;
}

int CZVIniFileReader::GetEncoding() const { return m_content ? m_content->encoding : eUtf16LE; }

unsigned long CZVIniFileReader::GetProfileString(const wchar_t* section, const wchar_t* key,
                                                 const wchar_t* defaultValue, wchar_t* buffer, unsigned long size,
                                                 const wchar_t*) const
{
    if (!buffer || size == 0)
        return 0;
    if (!IsLoadedContent() || m_content->sections.IsEmpty())
        return CopyDefault(defaultValue, buffer, size);
    if (!section)
        return CopyNameList(m_content->sections, buffer, size);
    const CZvStringMap* map = m_content->sections.Lookup(section, wcslen(section));
    if (!key) {
        if (!map || map->IsEmpty())
            return CopyDefault(defaultValue, buffer, size);
        return CopyNameList(*map, buffer, size);
    }
    const std::wstring* value = map ? map->Lookup(key, wcslen(key)) : nullptr;
    if (!value)
        return CopyDefault(defaultValue, buffer, size);
    const wchar_t* text;
    size_t length;
    StrippedValue(*value, m_stripQuotes, text, length);
    return CopyValue(text, length, buffer, size);
}

unsigned long CZVIniFileReader::GetStringValue(const wchar_t* section, const wchar_t* key,
                                               const wchar_t* defaultValue, ZvOSAL::ZvString& result) const
{
    wchar_t buffer[MAX_PATH];
    const unsigned long length = GetProfileString(section, key, defaultValue, buffer, MAX_PATH);
    result = ZvOSAL::ZvString(buffer, static_cast<int>(length));
    return length;
}

bool CZVIniFileReader::GetStringValue(const ZvOSAL::ZvString& section, const ZvOSAL::ZvString& key,
                                      const ZvOSAL::ZvString& defaultValue, ZvOSAL::ZvString& result) const
{
    const CZvStringMap* map = nullptr;
    const std::wstring* value = nullptr;
    if (IsLoadedContent() && !section.IsEmpty() && !key.IsEmpty()) {
        map = m_content->sections.Lookup(section.c_str(), static_cast<size_t>(section.GetLength()));
        value = map ? map->Lookup(key.c_str(), static_cast<size_t>(key.GetLength())) : nullptr;
    }
    if (!value) {
        result = defaultValue;
        return false;
    }
    const wchar_t* text;
    size_t length;
    StrippedValue(*value, m_stripQuotes, text, length);
    result = ZvOSAL::ZvString(text, static_cast<int>(length));
    return true;
}

int CZVIniFileReader::GetProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue) const
{
    if (!IsLoadedContent() || !section || !key)
        return defaultValue;
    const CZvStringMap* map = m_content->sections.Lookup(section, wcslen(section));
    const std::wstring* value = map ? map->Lookup(key, wcslen(key)) : nullptr;
    if (!value)
        return defaultValue;
    const wchar_t* text;
    size_t length;
    StrippedValue(*value, m_stripQuotes, text, length);
    return _wtoi(text); // stops at the closing quote, if any
}

bool CZVIniFileReader::IsModified() const { return m_content && m_content->modified; }

void CZVIniFileReader::SetQuoteStripping(bool on) { m_stripQuotes = on; }

