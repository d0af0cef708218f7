// The INI reader's parser: lines, sections, keys and $include directives.
#include "ini/ZVIniContent.h"

#include <shlwapi.h>

#include <algorithm>

namespace ZvIniInternal {

namespace {

const unsigned long kMaxIncludeDepthCap = 256;

std::shared_ptr<CZVIniContent> NewContentFor(const LoadContext& context)
{
    auto content = std::make_shared<CZVIniContent>();
    content->haveOptions = context.haveOptions;
    content->options = context.options;
    content->stripQuotes = context.strip;
    return content;
}

void Include(CZVIniContent& content, const std::wstring& name, LoadContext& context);

} // namespace

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

namespace {

void Include(CZVIniContent& content, const std::wstring& name, LoadContext& context)
{
    if (name.empty() || context.includeLevel >= context.maxDepth)
        return;
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
    if (!included || included.get() == &content)
        return;
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

} // namespace

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

} // namespace ZvIniInternal
