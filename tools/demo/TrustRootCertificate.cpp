// Adds a root certificate (DER file) to the machine's trusted root store of
// the Wine prefix it runs in, so that installers signed by the demo's own
// code-signing certificate pass the Authenticode check there. Wine's
// certutil cannot do this. Run it only in a prefix made for the demo or the
// tests: trusting a root is trusting everything it signs.
//   TrustRootCertificate.exe FILE.cer
// Exit codes: 0 trusted (or already trusted), 1 failure, 2 usage.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: TrustRootCertificate.exe FILE.cer\n");
        return 2;
    }
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "TrustRootCertificate: cannot open %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::vector<BYTE> der(64 * 1024);
    DWORD read = 0;
    BOOL ok = ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read == 0 || read == der.size()) {
        std::fprintf(stderr, "TrustRootCertificate: %ls is not a certificate file\n", argv[1]);
        return 1;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) {
        std::fprintf(stderr, "TrustRootCertificate: cannot open the Root store (error %lu)\n", GetLastError());
        return 1;
    }
    // USE_EXISTING: running it again adds nothing.
    ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), read, CERT_STORE_ADD_USE_EXISTING,
                                          nullptr);
    DWORD error = ok ? 0 : GetLastError();
    CertCloseStore(store, 0);
    if (!ok) {
        std::fprintf(stderr, "TrustRootCertificate: the certificate was not added (error 0x%lx)\n", error);
        return 1;
    }
    return 0;
}
