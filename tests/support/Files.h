// Files for tests: a scratch folder per test and whole-file reads and writes,
// through the plain system calls (never the code under test).
#pragma once

#include <string>

namespace zvtest {

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes. The removal uses the \\?\ form, so names that the
// ordinary path rules refuse (a trailing blank or dot) go too.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False when no folder could be made.
    bool Ok() const { return !m_path.empty(); }
    // The folder, ending with "\".
    const std::wstring& Path() const { return m_path; }
    // A path inside the folder.
    std::wstring Path(const std::wstring& name) const { return m_path + name; }
    bool MakeDir(const std::wstring& name) const;
    // Creates or replaces the file name inside the folder.
    bool Write(const std::wstring& name, const std::string& bytes) const;

private:
    std::wstring m_path;
};

// Creates or replaces a file.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The whole file; "" for a missing one (FileExists tells them apart).
std::string ReadFileBytes(const std::wstring& path);
// A file (not a folder) exists at path.
bool FileExists(const std::wstring& path);
// Anything (file or folder) exists at path.
bool PathExists(const std::wstring& path);
// UTF-16 text as bytes, little- or big-endian, with or without the byte-order
// mark.
std::string Utf16Bytes(const std::wstring& text, bool bigEndian = false, bool mark = true);
// -1 for a missing file.
long long FileSize(const std::wstring& path);
// UTF-16 as 8-bit text: ASCII as it is, every other unit as '?'.
std::string Narrow(const std::wstring& text);

} // namespace zvtest
