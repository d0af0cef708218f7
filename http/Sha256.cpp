#include "http/Sha256.h"

CSha256::CSha256()
{
    if (CryptAcquireContextW(&m_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT)
        && !CryptCreateHash(m_provider, CALG_SHA_256, 0, 0, &m_hash)) {
        m_hash = 0;
    }
}

CSha256::~CSha256()
{
    if (m_hash)
        CryptDestroyHash(m_hash);
    if (m_provider)
        CryptReleaseContext(m_provider, 0);
}

bool CSha256::Add(const void* bytes, DWORD length)
{
    return m_hash && (length == 0 || CryptHashData(m_hash, static_cast<const BYTE*>(bytes), length, 0));
}

bool CSha256::Finish(CSha256Digest& digest)
{
    DWORD size = static_cast<DWORD>(digest.size());
    return m_hash && CryptGetHashParam(m_hash, HP_HASHVAL, digest.data(), &size, 0) && size == digest.size();
}

bool ParseSha256(const wchar_t* text, int length, CSha256Digest& digest)
{
    if (!text || length != 64)
        return false;
    for (int i = 0; i < 64; ++i) {
        const wchar_t c = text[i];
        int value;
        if (c >= L'0' && c <= L'9')
            value = c - L'0';
        else if (c >= L'a' && c <= L'f')
            value = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            value = c - L'A' + 10;
        else
            return false;
        if (i % 2 == 0)
            digest[i / 2] = static_cast<unsigned char>(value << 4);
        else
            digest[i / 2] = static_cast<unsigned char>(digest[i / 2] | value);
    }
    return true;
}
