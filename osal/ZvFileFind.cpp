// ZvFileFind: the directory search that yields ZvFileSystemItems.
#include "ZvOSAL/ZvFileSystemItem.h"

#include <windows.h>

namespace ZvOSAL {

ZvFileFind::ZvFileFind(const ZvPath& directory, const wchar_t* pattern)
    : m_findValid(false), m_lastError(0), m_handle(INVALID_HANDLE_VALUE), m_searchDirectory(directory)
{
    Start(pattern);
}

ZvFileFind::ZvFileFind(const ZvFileFind& other)
    : m_findValid(other.m_findValid), m_lastError(other.m_lastError), m_handle(INVALID_HANDLE_VALUE),
      m_current(other.m_current), m_searchDirectory(other.m_searchDirectory)
{
}

ZvFileFind& ZvFileFind::operator=(const ZvFileFind& other)
{
    if (this != &other) {
        Close();
        m_findValid = other.m_findValid;
        m_lastError = other.m_lastError;
        m_current = other.m_current;
        m_searchDirectory = other.m_searchDirectory;
    }
    return *this;
}

ZvFileFind::ZvFileFind(ZvFileFind&& other) noexcept
    : m_findValid(other.m_findValid), m_lastError(other.m_lastError), m_handle(other.m_handle),
      m_current(other.m_current), m_searchDirectory(other.m_searchDirectory)
{
    other.m_handle = INVALID_HANDLE_VALUE;
}

ZvFileFind& ZvFileFind::operator=(ZvFileFind&& other) noexcept
{
    if (this != &other) {
        Close();
        m_findValid = other.m_findValid;
        m_lastError = other.m_lastError;
        m_handle = other.m_handle;
        other.m_handle = INVALID_HANDLE_VALUE;
        m_current = other.m_current;
        m_searchDirectory = other.m_searchDirectory;
    }
    return *this;
}

ZvFileFind::~ZvFileFind()
{
    Close();
}

void ZvFileFind::Close()
{
    if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE)
        FindClose(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

namespace {

// A name is taken when the file system would accept it back unchanged; the
// dot entries always are.
bool AcceptableName(const wchar_t* name)
{
    if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0)
        return true;
    ZvString original(name);
    ZvString corrected(original);
    ZvPath::CorrectPathComponentForFileSystem(corrected);
    return corrected == original;
}

} // namespace

void ZvFileFind::Start(const wchar_t* pattern)
{
    m_findValid = false;
    ZvPath query(m_searchDirectory);
    if (query.IsDirectory())
        query.SetFileNameAndExt(ZvString(pattern));
    WIN32_FIND_DATAW entry;
    ZeroMemory(&entry, sizeof(entry));
    m_handle = FindFirstFileW(query, &entry);
    m_lastError = m_handle != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : ::GetLastError();
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    if (AcceptableName(entry.cFileName))
        Apply(entry);
    else
        operator++();
}

bool ZvFileFind::operator++()
{
    if (m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE)
        return false;
    for (;;) {
        WIN32_FIND_DATAW entry;
        ZeroMemory(&entry, sizeof(entry));
        if (!FindNextFileW(m_handle, &entry)) {
            m_lastError = ::GetLastError();
            m_findValid = false;
            return false;
        }
        m_lastError = ERROR_SUCCESS;
        if (AcceptableName(entry.cFileName)) {
            Apply(entry);
            return true;
        }
    }
}

void ZvFileFind::Apply(const WIN32_FIND_DATAW& entry)
{
    m_current.m_findData = entry;
    m_current.m_fullPath = m_searchDirectory;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m_current.m_fullPath.SetFileNameAndExt(ZvString());
        m_current.m_fullPath.AppendDir(entry.cFileName);
    } else {
        m_current.m_fullPath.SetFileNameAndExt(ZvString(entry.cFileName));
    }
    m_current.m_valid = true;
    m_findValid = true;
}

} // namespace ZvOSAL
