// The INI reader's files: reading and decoding, encoding and writing, and the
// process-wide cache of parsed files.
#include "ini/ZVIniContent.h"

#include "osal/CodepageConversion.h"

#include <algorithm>

namespace ZvIniInternal {

namespace {

std::wstring FullPath(const std::wstring& path)
{
    if (path.empty())
        return path;
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

// Text up to its first NUL.
void CutAtNul(std::wstring& text)
{
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
}

} // namespace

// ---------------------------------------------------------------- the cache

FileCache& Cache()
{
    static FileCache cache;
    return cache;
}

std::wstring CacheKey(const std::wstring& path) { return ZvIni::FoldName(FullPath(path)); }

std::wstring FolderOf(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        return path.substr(0, separator + 1);
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    return std::wstring();
}

// ---------------------------------------------------------------- reading

bool IsLockError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

ReadResult ReadWholeFile(const std::wstring& path, unsigned long waitMilliseconds, std::string& bytes)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD error = ERROR_SUCCESS;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
        } else {
            LARGE_INTEGER size = {};
            // Only disk files: a device name (CON, a pipe) could block a read forever.
            bool ok = GetFileType(file) == FILE_TYPE_DISK;
            if (ok && !GetFileSizeEx(file, &size)) {
                error = GetLastError();
                ok = false;
            }
            else if (size.QuadPart > static_cast<LONGLONG>(CZVIniFileReader::kMaxFileBytes))
                ok = false;
            if (ok) {
                bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
                size_t done = 0;
                while (ok && done < bytes.size()) {
                    DWORD got = 0;
                    if (!ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
                        error = GetLastError();
                        ok = false;
                    } else if (got == 0) {
                        bytes.resize(done); // the file shrank while we read it
                        break;
                    } else {
                        done += got;
                    }
                }
            }
            CloseHandle(file);
            if (ok)
                return ReadResult::Ok;
            if (error == ERROR_SUCCESS)
                return ReadResult::Failed;
        }
        if (IsLockError(error) && GetTickCount64() - start < waitMilliseconds) {
            Sleep(1);
            continue;
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return ReadResult::Missing;
        return ReadResult::Failed;
    }
}

bool DecodeAnsi(const char* bytes, size_t length, std::wstring& text)
{
    if (!ZvOSAL::Codepage::ToWide(bytes, length, ZvOSAL::ZvCodepageAnsi, text))
        return false;
    CutAtNul(text);
    return true;
}

bool DecodeFile(const std::string& bytes, std::wstring& text, int& encoding)
{
    text.clear();
    encoding = CZVIniFileReader::eAnsi;
    if (bytes.empty())
        return true;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        const bool bigEndian = b[0] == 0xFE;
        encoding = bigEndian ? CZVIniFileReader::eUtf16BE : CZVIniFileReader::eUtf16LE;
        const size_t body = bytes.size() - 2;
        if (body == 0)
            return true;
        // An odd last byte pairs with a zero, as the text is read with two
        // zero bytes appended.
        const size_t units = (body + 1) / 2;
        text.resize(units);
        for (size_t i = 0; i < units; ++i) {
            const unsigned first = b[2 + 2 * i];
            const unsigned second = (2 + 2 * i + 1 < bytes.size()) ? b[2 + 2 * i + 1] : 0u;
            text[i] = static_cast<wchar_t>(bigEndian ? ((first << 8) | second) : ((second << 8) | first));
        }
        CutAtNul(text);
        return !text.empty();
    }
    if (!DecodeAnsi(bytes.data(), bytes.size(), text))
        return false;
    return !text.empty();
}

// ---------------------------------------------------------------- writing

bool EncodeText(const std::wstring& text, int encoding, std::string& bytes)
{
    bytes.clear();
    if (encoding == CZVIniFileReader::eAnsi) {
        if (text.empty())
            return true;
        // Refused when a character has no form of its own in the code page.
        return ZvOSAL::Codepage::ToNarrow(text.data(), text.size(), ZvOSAL::ZvCodepageAnsi, bytes, true);
    }
    const bool bigEndian = encoding == CZVIniFileReader::eUtf16BE;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(static_cast<char>(bigEndian ? 0xFE : 0xFF));
    bytes.push_back(static_cast<char>(bigEndian ? 0xFF : 0xFE));
    for (wchar_t c : text) {
        const char low = static_cast<char>(static_cast<unsigned short>(c) & 0xFF);
        const char high = static_cast<char>(static_cast<unsigned short>(c) >> 8);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return true;
}

bool WriteFileReplacing(const std::wstring& target, const std::string& bytes, unsigned long waitMilliseconds)
{
    const std::wstring temporary = target + L".zvsave~";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = CloseHandle(file) && ok;
    if (ok) {
        const ULONGLONG start = GetTickCount64();
        for (;;) {
            if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return true;
            if (!IsLockError(GetLastError()) || GetTickCount64() - start >= waitMilliseconds)
                break;
            Sleep(1);
        }
    }
    DeleteFileW(temporary.c_str());
    return false;
}

} // namespace ZvIniInternal
