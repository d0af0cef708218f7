#include "support/Fixtures.h"

#include "ZvTestPaths.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace zvtest {

std::wstring FixtureDirectory()
{
    return ZVTEST_FIXTURE_DIR_W;
}

std::wstring FixturePath(const std::wstring& name)
{
    return FixtureDirectory() + L"\\" + name;
}

std::string FixtureUnixPath(const std::string& name)
{
    return std::string(ZVTEST_FIXTURE_DIR_UNIX) + "/" + name;
}

namespace {

bool ReadWholeFile(const std::wstring& path, std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 20);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
    }
    CloseHandle(file);
    return ok;
}

} // namespace

::testing::AssertionResult InstallTestRootCA()
{
    const std::wstring path = FixturePath(L"root-ca.cer");
    std::vector<BYTE> der;
    if (!ReadWholeFile(path, der))
        return ::testing::AssertionFailure() << "cannot read the test root certificate (error "
                                             << GetLastError() << ")";

    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store)
        return ::testing::AssertionFailure() << "cannot open the LOCAL_MACHINE Root store (error "
                                             << GetLastError() << ")";

    PCCERT_CONTEXT added = nullptr;
    // USE_EXISTING: a second call (or a second test program in the same
    // prefix) finds the certificate there and adds nothing.
    BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                               CERT_STORE_ADD_USE_EXISTING, &added);
    DWORD error = ok ? 0 : GetLastError();
    if (added)
        CertFreeCertificateContext(added);
    CertCloseStore(store, 0);
    if (!ok)
        return ::testing::AssertionFailure() << "CertAddEncodedCertificateToStore failed (error 0x" << std::hex
                                             << error << ")";
    return ::testing::AssertionSuccess();
}

} // namespace zvtest
