#include "toolkit/ZVTextPane.h"

#include "toolkit/ZVHtmlText.h"
#include "toolkit/ZVToolkit.h"

#include <richedit.h>

#include <vector>

namespace {

struct StreamSource {
    const std::string* text;
    size_t offset;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given)
{
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->text->size() - source->offset;
    const size_t count = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    memcpy(buffer, source->text->data() + source->offset, count);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

// The rich edit library stays loaded for the process: its window class must
// outlive every pane.
bool LoadRichEdit()
{
    static const bool loaded = LoadLibraryW(L"riched20.dll") != nullptr;
    return loaded;
}

} // namespace

CZV_TextPane::~CZV_TextPane()
{
    Destroy();
}

bool CZV_TextPane::Create(HWND parent, UINT id, const RECT& position)
{
    if (m_hWnd || !parent || !LoadRichEdit())
        return false;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                        ES_AUTOVSCROLL | ES_NOHIDESEL;
    m_hWnd = CreateWindowExW(0, RICHEDIT_CLASSW, L"", style, position.left, position.top,
                             position.right - position.left, position.bottom - position.top, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!m_hWnd)
        return false;
    SendMessageW(m_hWnd, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
    const int margin = ZVToolkit::ScaleX(8);
    SendMessageW(m_hWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    return true;
}

void CZV_TextPane::Destroy()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool CZV_TextPane::SetHtml(const std::wstring& html, const std::wstring& face, int pointSize)
{
    if (!m_hWnd)
        return false;
    const std::string rtf = ZVHtmlText::ToRtf(ZVHtmlText::Parse(html), face, pointSize);
    StreamSource source = {&rtf, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = ReadRtf;
    SendMessageW(m_hWnd, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    // Opens at its first line with nothing selected.
    SendMessageW(m_hWnd, EM_SETSEL, 0, 0);
    SendMessageW(m_hWnd, WM_VSCROLL, SB_TOP, 0);
    return stream.dwError == 0;
}

bool CZV_TextPane::SetHtmlFile(const wchar_t* path, const std::wstring& face, int pointSize)
{
    HANDLE file = path ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr)
                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (bytes.size() < ZVHtmlText::kMaxInputChars * 2 && ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got)
        bytes.append(chunk, got);
    CloseHandle(file);
    std::wstring html;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        html.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else {
        size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        const int length = static_cast<int>(bytes.size() - skip);
        UINT codePage = CP_UTF8;
        int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, length, nullptr, 0);
        if (units <= 0 && length > 0) {
            codePage = CP_ACP;
            units = MultiByteToWideChar(CP_ACP, 0, bytes.data() + skip, length, nullptr, 0);
        }
        html.resize(static_cast<size_t>(units > 0 ? units : 0));
        if (units > 0)
            MultiByteToWideChar(codePage, codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, bytes.data() + skip,
                                length, &html[0], units);
    }
    return SetHtml(html, face, pointSize);
}

std::wstring CZV_TextPane::GetText() const
{
    if (!m_hWnd)
        return std::wstring();
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, 0);
    ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return buffer.data();
}
