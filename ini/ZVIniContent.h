// The parsed content of an INI text and the steps of the reader that work on
// it, shared by the reader's files. Internal to the INI reader.
#pragma once

#include "ini/ZVIniFileReader.h"

#include "ZvOSAL/ZvCriticalSection.h"

#include <map>
#include <memory>
#include <string>
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
    std::vector<CZVIniRawLine> lines;
    CZvStringObjMap sections;
};

namespace ZvIniInternal {

inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
inline bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }
inline bool HasQuotes(const wchar_t* value, size_t length)
{
    return length >= 2 && value[0] == L'"' && value[length - 1] == L'"';
}

// ---- Files and the cache (ZVIniFileIO.cpp)

// The process-wide cache of parsed files, by CacheKey.
struct FileCache {
    ZvOSAL::ZvCriticalSection lock;
    // Index 1: parsed with quote stripping on; 0: off.
    std::map<std::wstring, std::shared_ptr<CZVIniContent>> files[2];
};
FileCache& Cache();
// The full path without regard to case.
std::wstring CacheKey(const std::wstring& path);
// Root and directory of a path: everything up to its last separator, or the
// drive of a drive-relative name; empty when it has neither.
std::wstring FolderOf(const std::wstring& path);

enum class ReadResult { Ok, Missing, Failed };
bool IsLockError(DWORD error);
// The whole file; a file locked by another process is tried again every
// millisecond for up to waitMilliseconds.
ReadResult ReadWholeFile(const std::wstring& path, unsigned long waitMilliseconds, std::string& bytes);
// 8-bit text in the ANSI code page, up to its first NUL.
bool DecodeAnsi(const char* bytes, size_t length, std::wstring& text);
// The file's text by its byte-order mark. False when the file has content
// but decodes to nothing.
bool DecodeFile(const std::string& bytes, std::wstring& text, int& encoding);
// The text in an encoding of the reader (1, 2, 3) with its byte-order mark.
bool EncodeText(const std::wstring& text, int encoding, std::string& bytes);
// Writes through a temporary file beside the target, then replaces it.
bool WriteFileReplacing(const std::wstring& target, const std::string& bytes, unsigned long waitMilliseconds);

// ---- Parsing (ZVIniParser.cpp)

struct LoadContext {
    unsigned long lockWait = CZVIniFileReader::kDefaultLockWaitMilliseconds;
    unsigned long maxDepth = CZVIniFileReader::kDefaultMaxIncludeDepth;
    bool strip = true;
    bool haveOptions = false;
    CZVIniReaderOptions options = {};
    unsigned long includeLevel = 0;
    std::vector<std::wstring> chain; // cache keys of the files being parsed
};
LoadContext ContextFor(bool haveOptions, const CZVIniReaderOptions& options, bool strip);
void ParseInto(CZVIniContent& content, const wchar_t* text, size_t length, LoadContext& context);
// The cached content of path, or the file read, parsed and cached now.
std::shared_ptr<CZVIniContent> LoadFileThroughCache(const std::wstring& path, LoadContext& context,
                                                    ReadResult& result);

// ---- Editing (ZVIniEditing.cpp)

// The section called name, created (with a header line at the end of the
// text) when missing.
CZvStringMap& EnsureSection(CZVIniContent& content, const std::wstring& name);

} // namespace ZvIniInternal
