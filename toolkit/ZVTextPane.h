// A read-only, scrollable pane of formatted text (a rich edit control), for
// release notes where no browser can show them. Reachable with Tab, its text
// selectable and readable by assistive technology as any edit field's.
#pragma once

#include "toolkit/ZVControlBase.h"

#include <string>

class CZV_TextPane : public CZV_Wnd {
public:
    CZV_TextPane() = default;
    ~CZV_TextPane() override;

    // Creates the pane as a child of parent (rectangle in its client
    // coordinates). False when the rich edit control is not available.
    bool Create(HWND parent, UINT id, const RECT& position);
    void Destroy();
    // Shows the HTML page as formatted text (see ZVHtmlText.h) in face at
    // pointSize, scrolled to its first line, nothing selected.
    bool SetHtml(const std::wstring& html, const std::wstring& face, int pointSize);
    // The same with the page read from a file: UTF-16 or UTF-8 (with or
    // without a byte order mark), else the ANSI code page; at most
    // ZVHtmlText::kMaxInputChars characters. False when it cannot be read.
    bool SetHtmlFile(const wchar_t* path, const std::wstring& face, int pointSize);
    // The text as the control holds it (lines end with "\r").
    std::wstring GetText() const;
};
