// Shared pieces of the workflow tests: a patch description document, a host
// that can act on its own calls (slow or reentrant hosts), the file a browser
// pane shows.
#pragma once

#include "support/RecordingHost.h"

#include <windows.h>

#include <exdisp.h>

#include <functional>
#include <string>

namespace zvtest {

// The server's answer as the check reads it: a usable patch unless the
// arguments say otherwise.
inline std::string PatchDocument(const std::string& url, unsigned long long size,
                                 const std::string& version = "2.5.0.1", int pugInstaller = 3)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<update><patch version=\"" + version + "\" filesize=\"" +
           std::to_string(size) + "\" url=\"" + url + "\" pug_installer=\"" + std::to_string(pugInstaller) +
           "\"><![CDATA[<html><body>New in 2.5</body></html>]]></patch></update>\n";
}

// A recording host with hooks (slow or reentrant hosts): onLog runs after a
// log line was recorded, onSetNewVersion after that call, both on the
// calling thread.
class HookedHost : public RecordingHost {
public:
    std::function<void(const std::wstring&)> onLog;
    std::function<void()> onSetNewVersion;
    // Any byte for the two answers that are read as bytes (GetShowUpdateDialog,
    // GetUseWorkerThreads); 0xFF: the settings' answers.
    unsigned char boolByte = 0xFF;

    void Log(const wchar_t* line) override
    {
        RecordingHost::Log(line);
        if (onLog)
            onLog(line ? line : L"");
    }
    void SetNewVersion(const wchar_t* name) override
    {
        RecordingHost::SetNewVersion(name);
        if (onSetNewVersion)
            onSetNewVersion();
    }
    bool GetShowUpdateDialog() override { return ByteOr(RecordingHost::GetShowUpdateDialog()); }
    bool GetUseWorkerThreads() override { return ByteOr(RecordingHost::GetUseWorkerThreads()); }

private:
    // A host built by another compiler may hand back any byte as its bool.
    bool ByteOr(bool answer) const
    {
        if (boolByte == 0xFF)
            return answer;
        volatile unsigned char stored = boolByte;
        return *reinterpret_cast<volatile bool*>(const_cast<unsigned char*>(&stored));
    }
};

// Arguments of the first call of `operation`; "(no call)" when there is none.
inline std::wstring ArgumentsOf(const std::vector<HostCall>& calls, const std::string& operation)
{
    for (const HostCall& call : calls)
        if (call.operation == operation)
            return call.arguments;
    return L"(no call)";
}

// The file the browser shows; empty before it navigated. Windows keeps the
// URL "file:///C:/...", Wine writes "file://C:\...": both give "C:\...".
inline std::wstring FileShownBy(IWebBrowser2* browser)
{
    BSTR location = nullptr;
    if (!browser || FAILED(browser->get_LocationURL(&location)) || !location)
        return std::wstring();
    std::wstring text(location, SysStringLen(location));
    SysFreeString(location);
    text.erase(0, text.compare(0, 5, L"file:") == 0 ? 5 : 0);
    text.erase(0, text.find_first_not_of(L"/\\"));
    for (auto& ch : text)
        ch = ch == L'/' ? L'\\' : ch;
    return text;
}

} // namespace zvtest
