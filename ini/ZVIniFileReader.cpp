#include "ini/ZVIniFileReader.h"

#include "ZvOSAL/ZvCriticalSection.h"
#include "ZvOSAL/ZvString.h"

#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <map>
#include <vector>

// One line of the text as it was read, with the section it belongs to, so the
// content can be written back line for line.
struct CZVIniRawLine {
    enum EKind : unsigned char { eBlank, eComment, eInclude, eHeader, eKey, eOther };

    std::wstring text;
    std::wstring section; // folded name of the section; empty while pseudo
    std::wstring key;     // folded key name of a key line
    EKind kind = eOther;
    bool pseudo = true;   // before the first section header ("[??]")
};

struct CZVIniContent {
    std::wstring path;
    std::wstring folder;
    int encoding = CZVIniFileReader::eUtf16LE;
    bool loaded = false;
    bool modified = false;
    bool haveOptions = false;
    CZVIniReaderOptions options = {};
    bool stripQuotes = true; // the mode this content was parsed in
    unsigned long includeErrors = 0;
    std::vector<CZVIniRawLine> lines;
    CZvStringObjMap sections;
};

namespace {

const unsigned long kMaxIncludeDepthCap = 256;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

// ---------------------------------------------------------------- the cache

struct FileCache {
    ZvOSAL::ZvCriticalSection lock;
    // Index 1: parsed with quote stripping on; 0: off.
    std::map<std::wstring, std::shared_ptr<CZVIniContent>> files[2];
};

FileCache& Cache()
{
    static FileCache cache;
    return cache;
}

std::wstring FullPath(const std::wstring& path)
{
    if (path.empty())
        return path;
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

std::wstring CacheKey(const std::wstring& path) { return ZvIni::FoldName(FullPath(path)); }

// Root and directory of a path: everything up to its last separator, or the
// drive of a drive-relative name; empty when it has neither.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        return path.substr(0, separator + 1);
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    return std::wstring();
}

// ---------------------------------------------------------------- reading

enum class ReadResult { Ok, Missing, Failed };

bool IsLockError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

ReadResult ReadWholeFile(const std::wstring& path, unsigned long waitMilliseconds, std::string& bytes)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
        } else {
            LARGE_INTEGER size = {};
            // Only disk files: a device name (CON, a pipe) could block a read forever.
            bool ok = GetFileType(file) == FILE_TYPE_DISK;
            if (ok && !GetFileSizeEx(file, &size)) {
                error = GetLastError();
                ok = false;
            }
            else if (size.QuadPart > static_cast<LONGLONG>(CZVIniFileReader::kMaxFileBytes))
                ok = false;
            if (ok) {
                bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
                size_t done = 0;
                while (ok && done < bytes.size()) {
                    DWORD got = 0;
                    if (!ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
                        error = GetLastError();
                        ok = false;
                    } else if (got == 0) {
                        bytes.resize(done); // the file shrank while we read it
                        break;
                    } else {
                        done += got;
                    }
                }
            }
            CloseHandle(file);
            if (ok)
                return ReadResult::Ok;
            if (error == ERROR_SUCCESS)
                return ReadResult::Failed;
        }
        if (IsLockError(error) && GetTickCount64() - start < waitMilliseconds) {
            Sleep(1);
            continue;
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ReadResult::Missing;
        return ReadResult::Failed;
    }
}

// Text up to its first NUL.
void CutAtNul(std::wstring& text)
{
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
}

bool AnsiToWide(const char* bytes, size_t length, std::wstring& text)
{
    text.clear();
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFF)
        return false;
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
    if (needed <= 0)
        return false;
    text.resize(static_cast<size_t>(needed));
    if (MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), &text[0], needed) != needed)
        return false;
    CutAtNul(text);
    return true;
}

// The file's text by its byte-order mark. False when the file has content
// but decodes to nothing.
bool DecodeFile(const std::string& bytes, std::wstring& text, int& encoding)
{
    text.clear();
    encoding = CZVIniFileReader::eAnsi;
    if (bytes.empty())
        return true;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        const bool bigEndian = b[0] == 0xFE;
        encoding = bigEndian ? CZVIniFileReader::eUtf16BE : CZVIniFileReader::eUtf16LE;
        const size_t body = bytes.size() - 2;
        if (body == 0)
            return true;
        // An odd last byte pairs with a zero, as the text is read with two
        // zero bytes appended.
        const size_t units = (body + 1) / 2;
        text.resize(units);
        for (size_t i = 0; i < units; ++i) {
            const unsigned first = b[2 + 2 * i];
            const unsigned second = (2 + 2 * i + 1 < bytes.size()) ? b[2 + 2 * i + 1] : 0u;
            text[i] = static_cast<wchar_t>(bigEndian ? ((first << 8) | second) : ((second << 8) | first));
        }
        CutAtNul(text);
        return !text.empty();
    }
    if (!AnsiToWide(bytes.data(), bytes.size(), text))
        return false;
    return !text.empty();
}

// ---------------------------------------------------------------- parsing

struct LoadContext {
    unsigned long lockWait = CZVIniFileReader::kDefaultLockWaitMilliseconds;
    unsigned long maxDepth = CZVIniFileReader::kDefaultMaxIncludeDepth;
    bool strip = true;
    bool haveOptions = false;
    CZVIniReaderOptions options = {};
    unsigned long includeLevel = 0;
    std::vector<std::wstring> chain; // cache keys of the files being parsed
};

void ParseInto(CZVIniContent& content, const wchar_t* text, size_t length, LoadContext& context);

std::shared_ptr<CZVIniContent> NewContentFor(const LoadContext& context)
{
    auto content = std::make_shared<CZVIniContent>();
    content->haveOptions = context.haveOptions;
    content->options = context.options;
    content->stripQuotes = context.strip;
    return content;
}

// The cached content of path, or the file read, parsed and cached now.
std::shared_ptr<CZVIniContent> LoadFileThroughCache(const std::wstring& path, LoadContext& context,
                                                    ReadResult& result)
{
    result = ReadResult::Failed;
    const std::wstring key = CacheKey(path);
    FileCache& cache = Cache();
    ZvOSAL::ZvCriticalSectionLock lock(cache.lock, 1);
    auto& files = cache.files[context.strip ? 1 : 0];
    auto found = files.find(key);
    if (found != files.end()) {
        result = ReadResult::Ok;
        return found->second;
    }
    for (const std::wstring& open : context.chain) {
        if (open == key)
            return nullptr; // an include cycle
    }

    std::string bytes;
    result = ReadWholeFile(path, context.lockWait, bytes);
    if (result != ReadResult::Ok)
        return nullptr;
    std::wstring text;
    int encoding = CZVIniFileReader::eAnsi;
    if (!DecodeFile(bytes, text, encoding)) {
        result = ReadResult::Failed;
        return nullptr;
    }
    bytes.clear();
    bytes.shrink_to_fit();

    auto content = NewContentFor(context);
    content->path = path;
    content->folder = FolderOf(path);
    content->encoding = encoding;
    context.chain.push_back(key);
    ParseInto(*content, text.data(), text.size(), context);
    context.chain.pop_back();
    content->loaded = true;
    files[key] = content;
    return content;
}

void Include(CZVIniContent& content, const std::wstring& name, LoadContext& context)
{
    if (name.empty() || context.includeLevel >= context.maxDepth) {
        ++content.includeErrors;
        return;
    }
    std::wstring path = name;
    if (!content.folder.empty() && PathIsRelativeW(name.c_str())) {
        path = content.folder;
        const wchar_t last = path.back();
        if (last != L'\\' && last != L'/' && last != L':')
            path += L'\\';
        path += name;
    }
    ++context.includeLevel;
    ReadResult result;
    std::shared_ptr<CZVIniContent> included = LoadFileThroughCache(path, context, result);
    --context.includeLevel;
    if (!included || included.get() == &content) {
        ++content.includeErrors;
        return;
    }
    // Counted through every level; saturates, as a graph of includes can
    // reach one failing include along very many paths.
    const unsigned long room = 0xFFFFFFFFul - content.includeErrors;
    content.includeErrors += included->includeErrors < room ? included->includeErrors : room;
    for (size_t s = 0; s < included->sections.GetCount(); ++s) {
        const auto& section = included->sections.GetAt(s);
        CZvStringMap& target = content.sections.Add(section.name);
        for (size_t k = 0; k < section.value.GetCount(); ++k)
            target.Set(section.value.GetAt(k).name, section.value.GetAt(k).value);
    }
}

// "$include <name>" (blanks allowed around the name); false for any other line.
bool ParseIncludeDirective(const wchar_t* line, size_t length, std::wstring& name)
{
    static const wchar_t kWord[] = L"include";
    const size_t wordLength = 7;
    if (length < 1 + wordLength || line[0] != L'$')
        return false;
    for (size_t i = 0; i < wordLength; ++i) {
        if (ZvIni::FoldChar(line[1 + i]) != kWord[i])
            return false;
    }
    size_t p = 1 + wordLength;
    while (p < length && IsBlank(line[p]))
        ++p;
    if (p >= length || line[p] != L'<')
        return false;
    const size_t open = p + 1;
    size_t close = open;
    while (close < length && line[close] != L'>')
        ++close;
    if (close >= length)
        return false;
    size_t first = open, last = close;
    while (first < last && IsBlank(line[first]))
        ++first;
    while (last > first && IsBlank(line[last - 1]))
        --last;
    name.assign(line + first, last - first);
    return true;
}

bool HasQuotes(const wchar_t* value, size_t length)
{
    return length >= 2 && value[0] == L'"' && value[length - 1] == L'"';
}

void ParseInto(CZVIniContent& content, const wchar_t* text, size_t length, LoadContext& context)
{
    long current = -1; // index of the current section
    std::wstring currentFolded;
    size_t pos = 0;
    while (pos < length) {
        size_t end = pos;
        while (end < length && !IsLineBreak(text[end]))
            ++end;

        CZVIniRawLine raw;
        raw.text.assign(text + pos, end - pos);
        raw.pseudo = current < 0;
        raw.section = currentFolded;
        size_t p = pos;
        while (p < end && IsBlank(text[p]))
            ++p;
        std::wstring includeName;
        bool include = false;
        if (p == end) {
            raw.kind = CZVIniRawLine::eBlank;
        } else if (text[p] == L'#' || text[p] == L';') {
            raw.kind = CZVIniRawLine::eComment;
        } else if (text[p] == L'$' && ParseIncludeDirective(text + p, end - p, includeName)) {
            raw.kind = CZVIniRawLine::eInclude;
            include = true;
        } else if (text[p] == L'[') {
            size_t close = p + 1;
            while (close < end && text[close] != L']')
                ++close;
            const std::wstring name(text + p + 1, close - (p + 1));
            content.sections.Add(name);
            current = content.sections.Find(name);
            currentFolded = ZvIni::FoldName(name);
            raw.kind = CZVIniRawLine::eHeader;
            raw.pseudo = false;
            raw.section = currentFolded;
        } else {
            size_t equals = p;
            while (equals < end && text[equals] != L'=')
                ++equals;
            if (equals < end && current >= 0) {
                size_t keyEnd = equals;
                while (keyEnd > p && IsBlank(text[keyEnd - 1]))
                    --keyEnd;
                size_t valueStart = equals + 1, valueEnd = end;
                while (valueStart < valueEnd && IsBlank(text[valueStart]))
                    ++valueStart;
                while (valueEnd > valueStart && IsBlank(text[valueEnd - 1]))
                    --valueEnd;
                if (context.strip && HasQuotes(text + valueStart, valueEnd - valueStart)) {
                    ++valueStart;
                    --valueEnd;
                }
                const std::wstring key(text + p, keyEnd - p);
                content.sections.GetAt(static_cast<size_t>(current))
                    .value.Set(key, std::wstring(text + valueStart, valueEnd - valueStart));
                raw.kind = CZVIniRawLine::eKey;
                raw.key = ZvIni::FoldName(key);
            } else {
                raw.kind = CZVIniRawLine::eOther; // includes key lines above the first section
            }
        }
        content.lines.push_back(std::move(raw));
        if (include)
            Include(content, includeName, context);

        if (end < length)
            end += (text[end] == L'\r' && end + 1 < length && text[end + 1] == L'\n') ? 2 : 1;
        pos = end;
    }
}

// ---------------------------------------------------------------- editing

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

// The section called name, created (with a header line at the end of the
// text) when missing.
CZvStringMap& EnsureSection(CZVIniContent& content, const std::wstring& name)
{
    bool created = false;
    CZvStringMap& map = content.sections.Add(name, &created);
    if (created)
        content.lines.push_back(MakeHeaderLine(name, ZvIni::FoldName(name)));
    return map;
}

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

// ---------------------------------------------------------------- writing

bool EncodeText(const std::wstring& text, int encoding, std::string& bytes)
{
    bytes.clear();
    if (encoding == CZVIniFileReader::eAnsi) {
        if (text.empty())
            return true;
        if (text.size() > 0x7FFFFFFF)
            return false;
        const int length = static_cast<int>(text.size());
        const bool utf8 = GetACP() == CP_UTF8;
        BOOL lossy = FALSE;
        const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL* lossyOut = utf8 ? nullptr : &lossy;
        const int needed = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, lossyOut);
        if (needed <= 0 || lossy)
            return false;
        bytes.resize(static_cast<size_t>(needed));
        if (WideCharToMultiByte(CP_ACP, flags, text.data(), length, &bytes[0], needed, nullptr, lossyOut) != needed ||
            lossy)
            return false;
        return true;
    }
    const bool bigEndian = encoding == CZVIniFileReader::eUtf16BE;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(static_cast<char>(bigEndian ? 0xFE : 0xFF));
    bytes.push_back(static_cast<char>(bigEndian ? 0xFF : 0xFE));
    for (wchar_t c : text) {
        const char low = static_cast<char>(static_cast<unsigned short>(c) & 0xFF);
        const char high = static_cast<char>(static_cast<unsigned short>(c) >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return true;
}

bool WriteFileReplacing(const std::wstring& target, const std::string& bytes, unsigned long waitMilliseconds)
{
    const std::wstring temporary = target + L".zvsave~";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = CloseHandle(file) && ok;
    if (ok) {
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return true;
            if (!IsLockError(GetLastError()) || GetTickCount64() - start >= waitMilliseconds)
                break;
            Sleep(1);
        }
    }
    DeleteFileW(temporary.c_str());
    return false;
}

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

namespace {
LoadContext ContextFor(bool haveOptions, const CZVIniReaderOptions& options, bool strip)
{
    LoadContext context;
    context.strip = strip;
    context.haveOptions = haveOptions;
    context.options = options;
    if (haveOptions) {
        if (options.lockWaitMilliseconds != 0)
            context.lockWait = options.lockWaitMilliseconds;
        if (options.maxIncludeDepth != 0)
            context.maxDepth = std::min(options.maxIncludeDepth, kMaxIncludeDepthCap);
    }
    return context;
}
} // namespace

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
    if (!AnsiToWide(bytes, count, text))
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

bool CZVIniFileReader::IsModified() const { return m_content && m_content->modified; }

void CZVIniFileReader::SetQuoteStripping(bool on) { m_stripQuotes = on; }

unsigned long CZVIniFileReader::GetIncludeErrors() const { return m_content ? m_content->includeErrors : 0; }

bool CZVIniFileReader::SetEncoding(int encoding)
{
    if (!IsLoadedContent() || encoding < eAnsi || encoding > eUtf16BE)
        return false;
    m_content->encoding = encoding;
    return true;
}

bool CZVIniFileReader::IsCached(const wchar_t* path)
{
    if (!path)
        return false;
    const std::wstring key = CacheKey(path);
    FileCache& cache = Cache();
    ZvOSAL::ZvCriticalSectionLock lock(cache.lock, 1);
    return cache.files[0].count(key) != 0 || cache.files[1].count(key) != 0;
}

size_t CZVIniFileReader::GetCachedFileCount()
{
    FileCache& cache = Cache();
    ZvOSAL::ZvCriticalSectionLock lock(cache.lock, 1);
    return cache.files[0].size() + cache.files[1].size();
}
