// A scratch folder under the Windows temporary folder for file-system tests,
// removed with everything in it when the object goes. The removal uses the
// plain system calls (never the code under test) and the \\?\ form, so names
// that the ordinary path rules reject (a trailing blank) go too.
#pragma once

#include <windows.h>

#include <string>

namespace zvtest {

class TempFolder {
public:
    TempFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            wchar_t name[64];
            swprintf(name, 64, L"zv-files-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(), ++counter);
            std::wstring candidate = std::wstring(temp) + name;
            if (CreateDirectoryW(candidate.c_str(), nullptr))
                m_path = candidate;
        }
    }
    ~TempFolder()
    {
        if (!m_path.empty())
            RemoveTree(L"\\\\?\\" + m_path);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !m_path.empty(); }
    // The folder with a trailing "\".
    std::wstring Dir() const { return m_path + L"\\"; }
    // A path inside the folder.
    std::wstring Path(const std::wstring& relative) const { return m_path + L"\\" + relative; }

    // Creates (or replaces) a file holding the text.
    bool WriteFile(const std::wstring& relative, const std::string& content) const
    {
        return Write(Path(relative), content);
    }
    static bool Write(const std::wstring& path, const std::string& content)
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        BOOL ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == content.size();
    }
    static std::string Read(const std::wstring& path)
    {
        std::string content;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "<missing>";
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            content.append(buffer, got);
        CloseHandle(file);
        return content;
    }
    bool MakeDir(const std::wstring& relative) const { return CreateDirectoryW(Path(relative).c_str(), nullptr) != 0; }
    static bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    static void RemoveTree(const std::wstring& dir)
    {
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring child = dir + L"\\" + name;
                SetFileAttributesW(child.c_str(), entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                                                      ? FILE_ATTRIBUTE_DIRECTORY
                                                      : FILE_ATTRIBUTE_NORMAL);
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    DeleteFileW(child.c_str());
            } while (FindNextFileW(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryW(dir.c_str());
    }

    std::wstring m_path;
};

} // namespace zvtest
