// Shared pieces of the workflow tests: a patch description document, a host
// that can act on its own calls (slow or reentrant hosts), and a wait for
// a thread's queue.
#pragma once

#include "support/RecordingHost.h"

#include <windows.h>

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

// A recording host with hooks: onLog runs after a log line was recorded (on
// the calling thread), onCall after every recorded call of the named
// operations.
class HookedHost : public RecordingHost {
public:
    std::function<void(const std::wstring&)> onLog;
    std::function<void()> onSetNewVersion;
    // 0/1 or any other byte for the two answers that are read as bytes.
    unsigned char showUpdateDialogByte = 0xFF; // 0xFF: use settings
    unsigned char useWorkerThreadsByte = 0xFF;

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
    bool GetShowUpdateDialog() override
    {
        bool answer = RecordingHost::GetShowUpdateDialog();
        return showUpdateDialogByte == 0xFF ? answer : AsBool(showUpdateDialogByte);
    }
    bool GetUseWorkerThreads() override
    {
        bool answer = RecordingHost::GetUseWorkerThreads();
        return useWorkerThreadsByte == 0xFF ? answer : AsBool(useWorkerThreadsByte);
    }

private:
    // A host built by another compiler may hand back any byte as its bool.
    static bool AsBool(unsigned char byte)
    {
        volatile unsigned char stored = byte;
        return *reinterpret_cast<volatile bool*>(const_cast<unsigned char*>(&stored));
    }
};

// Index of the first call of `operation` at or after `from`; -1 when none.
inline int IndexOf(const std::vector<HostCall>& calls, const std::string& operation, size_t from = 0)
{
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].operation == operation)
            return static_cast<int>(i);
    return -1;
}

// Arguments of the first call of `operation`; "(no call)" when there is none.
inline std::wstring ArgumentsOf(const std::vector<HostCall>& calls, const std::string& operation)
{
    const int index = IndexOf(calls, operation);
    return index < 0 ? std::wstring(L"(no call)") : calls[index].arguments;
}

} // namespace zvtest
