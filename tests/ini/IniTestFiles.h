// A private temporary folder for INI tests, removed with everything in it
// when the object goes away, and helpers to write files in each encoding.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace initest {

class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static LONG counter = 0;
        wchar_t name[64];
        _snwprintf(name, 64, L"zvini_%lu_%lu_%ld\\", GetCurrentProcessId(), GetTickCount(),
                   InterlockedIncrement(&counter));
        name[63] = L'\0';
        m_path = std::wstring(base) + name;
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(m_path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending with a backslash.
    const std::wstring& Path() const { return m_path; }
    std::wstring Path(const std::wstring& name) const { return m_path + name; }

    void MakeFolder(const std::wstring& name) const { CreateDirectoryW(Path(name).c_str(), nullptr); }

    bool WriteBytes(const std::wstring& name, const std::string& bytes) const
    {
        HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        const bool ok = bytes.empty() ||
                        (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                         written == bytes.size());
        CloseHandle(file);
        return ok;
    }
    bool WriteUtf16LE(const std::wstring& name, const std::wstring& text, bool bom = true) const
    {
        return WriteBytes(name, Utf16(text, false, bom));
    }
    bool WriteUtf16BE(const std::wstring& name, const std::wstring& text) const
    {
        return WriteBytes(name, Utf16(text, true, true));
    }

    static std::string Utf16(const std::wstring& text, bool bigEndian, bool bom)
    {
        std::string bytes;
        if (bom)
            bytes += bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
        for (wchar_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    }

    static std::string ReadBytes(const std::wstring& path)
    {
        std::string bytes;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return bytes;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0)
            bytes.append(chunk, got);
        CloseHandle(file);
        return bytes;
    }

private:
    static void RemoveTree(const std::wstring& folder)
    {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + L"\\");
                else
                    DeleteFileW((folder + name).c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring m_path;
};

// The names of a zero-separated, double-zero-terminated list.
inline std::vector<std::wstring> SplitList(const wchar_t* list)
{
    std::vector<std::wstring> names;
    while (*list) {
        names.emplace_back(list);
        list += names.back().size() + 1;
    }
    return names;
}

} // namespace initest
