#include "SampleConfiguration.h"

#include "ConsoleOutput.h"

namespace sample {

void SampleConfiguration::AddInstallerFile(const wchar_t* path, int kind)
{
    installer = path ? path : L"";
    Print(L"  installer: %ls (pug_installer %d)\n", installer.c_str(), kind);
}

void SampleConfiguration::Log(const wchar_t* line)
{
    Print(L"  log: %ls\n", line);
}

void SampleConfiguration::SetShowUpdateDialog(bool show)
{
    // A real program saves this choice with its settings.
    Print(L"  show the update dialog next time: %ls\n", show ? L"yes" : L"no (the user ticked \"don't show again\")");
}

void SampleConfiguration::SetNewVersion(const wchar_t* name)
{
    Print(L"  new version: %ls\n", name);
}

void SampleConfiguration::SetReleaseNotes(const wchar_t* notes)
{
    std::wstring text = notes ? notes : L"";
    if (text == m_notesShown) {
        Print(L"  release notes: the same page as before (%u characters)\n", static_cast<unsigned>(text.size()));
        return;
    }
    m_notesShown = text;
    Print(L"  release notes (HTML):\n");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        Print(L"    | %ls\n", line.c_str());
        start = end + 1;
    }
}

void SampleConfiguration::SetDownloadSize(long long bytes)
{
    m_size = bytes;
    m_shownPercent = -1;
    Print(L"  download size: %lld bytes\n", bytes);
}

void SampleConfiguration::OnDownloadBegin()
{
    Print(L"  download begins\n");
}

void SampleConfiguration::OnDownloadEnd()
{
    if (m_progressOpen)
        Print(L"\n");
    m_progressOpen = false;
    Print(L"  download ended\n");
}

// A 40-character bar. On a console it is redrawn in place; into a pipe or a
// file each step that moves it is a line of its own. Called from the
// library's worker threads during action 1, one call at a time.
void SampleConfiguration::DrawProgress(long long bytes)
{
    if (!m_consoleKnown) {
        m_console = StdoutIsConsole();
        m_consoleKnown = true;
    }
    int percent = m_size > 0 ? static_cast<int>(bytes * 100 / m_size) : -1;
    if (percent > 100)
        percent = 100;
    if (!m_console && percent == m_shownPercent && percent >= 0)
        return;
    m_shownPercent = percent;
    wchar_t bar[41];
    int filled = percent >= 0 ? percent * 40 / 100 : 0;
    for (int i = 0; i < 40; ++i)
        bar[i] = i < filled ? L'#' : L'.';
    bar[40] = 0;
    if (m_console) {
        Print(L"\r  [%ls] %3d%% %lld bytes", bar, percent < 0 ? 0 : percent, bytes);
        m_progressOpen = true;
    } else if (percent >= 0) {
        Print(L"  [%ls] %3d%% %lld bytes\n", bar, percent, bytes);
    } else {
        Print(L"  progress: %lld bytes\n", bytes);
    }
}

} // namespace sample
