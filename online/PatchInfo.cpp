#include "online/PatchInfo.h"

#include "ZvOSAL/ZvAString.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>

using ZvOSAL::ZvAString;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

// Releases a COM interface when the reading ends, on every way out.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (m_p)
            m_p->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() { return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

// Whether the document can hold a start tag: an 8-bit document must have a
// "<" followed by a name's first character before its end (or before a NUL,
// which no 8-bit XML text contains). A document without one has no element
// and cannot set any field, so it need not be read at all. This matters
// under Wine: its XmlLite aborts the process on documents that end inside or
// right after the XML declaration ("<?xm", a lone declaration), none of
// which has an element. UTF-16 documents are always read. The stream is left
// at its start.
bool MayHoldElement(IStream* stream)
{
    unsigned char buffer[65536];
    ULONG read = 0;
    bool first = true;
    bool afterOpen = false;
    bool found = false;
    bool done = false;
    while (!done && SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) {
        ULONG i = 0;
        if (first) {
            first = false;
            // A UTF-16 byte-order mark, or "<" with a zero byte beside it.
            if (read >= 2 && ((buffer[0] == 0xFF && buffer[1] == 0xFE) || (buffer[0] == 0xFE && buffer[1] == 0xFF)
                              || (buffer[0] == '<' && buffer[1] == 0) || (buffer[0] == 0 && buffer[1] == '<'))) {
                found = true;
                break;
            }
        }
        for (; i < read; ++i) {
            unsigned char c = buffer[i];
            if (c == 0) {
                done = true;
                break;
            }
            if (afterOpen && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80)) {
                found = true;
                done = true;
                break;
            }
            afterOpen = c == '<';
        }
    }
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return found;
}

bool IsUnprefixed(const wchar_t* prefix, UINT prefixLength)
{
    return prefix == nullptr || prefixLength == 0 || prefix[0] == 0;
}

bool NameIs(const wchar_t* name, UINT length, const wchar_t* expected)
{
    return name != nullptr && wcslen(expected) == length && wcsncmp(name, expected, length) == 0;
}

void PrintError(const wchar_t* format, HRESULT hr)
{
    wprintf(format, static_cast<unsigned long>(hr));
}

} // namespace

CPatchInfo::CPatchInfo()
    : m_pugInstaller(0)
    , m_fileSize(0)
{
}

CPatchInfo::~CPatchInfo() = default;

void CPatchInfo::Read(const ZvPath& path)
{
    ReadNodes(path);
    // The reader's memory is gone: now the description may shrink to its
    // length (it was read into room for the whole document).
    m_description.FreeExtra();
}

void CPatchInfo::ReadNodes(const ZvPath& path)
{
    ComRef<IStream> stream;
    if (FAILED(SHCreateStreamOnFileW(path.ToString(), STGM_READ, stream.Out())))
        return;
    ComRef<IXmlReader> reader;
    if (FAILED(CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.Out()), nullptr)))
        return;
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)))
        return;
    if (!MayHoldElement(stream.Get()))
        return;
    if (FAILED(reader->SetInput(stream.Get())))
        return;

    // Every node of a document takes at least one character of it, so a
    // reader that reports more nodes than the file has bytes is going round
    // in circles: Wine's XmlLite does that at the end of a truncated text or
    // CDATA section, returning empty nodes for ever instead of an error.
    unsigned long long nodeLimit = 1ull << 24;
    // No value holds more characters than the document has bytes (there are
    // no entities beyond the predefined ones): a bound for reading the
    // description in place (0: unknown).
    int valueBound = 0;
    STATSTG stat = {};
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))) {
        nodeLimit = stat.cbSize.QuadPart + 1;
        valueBound = static_cast<int>(std::min<unsigned long long>(stat.cbSize.QuadPart, INT_MAX / 4));
    }

    bool insidePatch = false;
    XmlNodeType nodeType = XmlNodeType_None;
    unsigned long long nodes = 0;
    // Elements open at this point. An end element with none open cannot be
    // part of the document: Wine's XmlLite reports one for a processing
    // instruction cut off after the root element, and asking for its name
    // crashes the reader. Such a node ends reading like any reader error.
    unsigned long long openElements = 0;
    // Any result but S_OK (the end, a malformed document, a refused document
    // type declaration) ends reading; what was read so far stays.
    while (reader->Read(&nodeType) == S_OK && ++nodes <= nodeLimit) {
        switch (nodeType) {
        case XmlNodeType_Element: {
            if (!reader->IsEmptyElement())
                ++openElements;
            const wchar_t* prefix = nullptr;
            const wchar_t* name = nullptr;
            UINT prefixLength = 0;
            UINT nameLength = 0;
            if (SUCCEEDED(reader->GetPrefix(&prefix, &prefixLength))
                && SUCCEEDED(reader->GetLocalName(&name, &nameLength)) && IsUnprefixed(prefix, prefixLength)
                && NameIs(name, nameLength, L"patch")) {
                insidePatch = true;
            }
            for (HRESULT hr = reader->MoveToFirstAttribute(); hr == S_OK; hr = reader->MoveToNextAttribute()) {
                if (reader->IsDefault())
                    continue;
                const wchar_t* value = nullptr;
                UINT valueLength = 0;
                if (FAILED(reader->GetPrefix(&prefix, &prefixLength))
                    || FAILED(reader->GetLocalName(&name, &nameLength))
                    || FAILED(reader->GetValue(&value, &valueLength)) || value == nullptr) {
                    continue;
                }
                if (!IsUnprefixed(prefix, prefixLength))
                    continue;
                ZvString text(value, static_cast<int>(valueLength));
                if (NameIs(name, nameLength, L"filesize"))
                    m_fileSize = text.ToInt64();
                else if (NameIs(name, nameLength, L"url"))
                    m_url = text;
                else if (NameIs(name, nameLength, L"version"))
                    m_version = text;
                else if (NameIs(name, nameLength, L"pug_installer"))
                    m_pugInstaller = text.ToInt(10);
                else if (NameIs(name, nameLength, L"sha256"))
                    m_sha256 = text;
            }
            break;
        }
        case XmlNodeType_EndElement: {
            if (openElements == 0)
                return;
            --openElements;
            const wchar_t* prefix = nullptr;
            const wchar_t* name = nullptr;
            UINT prefixLength = 0;
            UINT nameLength = 0;
            HRESULT hr = reader->GetPrefix(&prefix, &prefixLength);
            if (FAILED(hr)) {
                PrintError(L"Error getting prefix, error is %08.8lx", hr);
                break;
            }
            hr = reader->GetLocalName(&name, &nameLength);
            if (FAILED(hr)) {
                PrintError(L"Error getting local name, error is %08.8lx", hr);
                break;
            }
            if (IsUnprefixed(prefix, prefixLength) && NameIs(name, nameLength, L"patch"))
                insidePatch = false;
            break;
        }
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
        case XmlNodeType_Whitespace: {
            // Each node inside "patch" replaces the description: the last one
            // before its end tag is what remains. Text elsewhere is not
            // needed, so it is not copied out of the reader at all.
            if (!insidePatch)
                break;
            if (valueBound > 0) {
                ReadDescription(reader.Get(), valueBound);
                break;
            }
            const wchar_t* value = nullptr;
            UINT valueLength = 0;
            HRESULT hr = reader->GetValue(&value, &valueLength);
            if (FAILED(hr)) {
                PrintError(L"Error getting value, error is %08.8lx", hr);
                break;
            }
            if (value != nullptr)
                m_description = ZvString(value, static_cast<int>(valueLength));
            break;
        }
        case XmlNodeType_ProcessingInstruction: {
            const wchar_t* name = nullptr;
            const wchar_t* value = nullptr;
            HRESULT hr = reader->GetLocalName(&name, nullptr);
            if (FAILED(hr)) {
                PrintError(L"Error getting name, error is %08.8lx", hr);
                break;
            }
            hr = reader->GetValue(&value, nullptr);
            if (FAILED(hr))
                PrintError(L"Error getting value, error is %08.8lx", hr);
            break;
        }
        case XmlNodeType_Comment: {
            const wchar_t* value = nullptr;
            HRESULT hr = reader->GetValue(&value, nullptr);
            if (FAILED(hr))
                PrintError(L"Error getting value, error is %08.8lx", hr);
            break;
        }
        default:
            break;
        }
    }
}

void CPatchInfo::ReadDescription(IXmlReader* reader, int bound)
{
    // Straight from the reader's buffer into the description's own: a value
    // is never held twice (a description of hundreds of megabytes is
    // possible).
    wchar_t* out = m_description.GetBuffer(bound);
    int length = 0;
    UINT read = 0;
    while (length < bound && reader->ReadValueChunk(out + length, static_cast<UINT>(std::min(bound - length, 65536)),
                                                    &read) == S_OK && read > 0) {
        length += static_cast<int>(read);
    }
    m_description.ReleaseBuffer(length);
}

bool CPatchInfo::IsValid() const
{
    if (m_fileSize == 0)
        return false;
    ZvString version = m_version.GetDisplayName();
    if (version.IsEmpty() || version == L"0.0.0.0")
        return false;
    if (m_htmlPath.IsEmpty() && m_description.IsEmpty())
        return false;
    return !m_url.IsEmpty();
}

void CPatchInfo::SaveDescriptionAsHtml(const ZvPath& path)
{
    m_htmlPath = path;
    m_htmlPath.SetExt(L".html");
    HANDLE file = CreateFileW(m_htmlPath.ToString(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    ZvAString utf8(m_description.c_str(), ZvOSAL::ZvCodepageUtf8);
    DWORD length = static_cast<DWORD>(utf8.GetLength());
    DWORD written = 0;
    if (length > 0)
        WriteFile(file, utf8.c_str(), length, &written, nullptr);
    CloseHandle(file);
}
