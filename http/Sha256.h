// SHA-256 of a stream of bytes (through the system's cryptographic provider),
// and the 64-digit hexadecimal form used by patch documents and policies.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <array>

using CSha256Digest = std::array<unsigned char, 32>;

class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    // False when the system offers no SHA-256 (then Finish fails too).
    bool Add(const void* bytes, DWORD length);
    bool Finish(CSha256Digest& digest);

private:
    HCRYPTPROV m_provider = 0;
    HCRYPTHASH m_hash = 0;
};

// 64 hexadecimal digits, either case, nothing else; false otherwise.
bool ParseSha256(const wchar_t* text, int length, CSha256Digest& digest);
