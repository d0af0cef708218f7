// Signing and TLS fixtures of the tests, made at build time by
// tools/make-test-signing-fixtures.sh into <build>/fixtures:
//
//   signed-valid.exe          Authenticode-signed under "ZvAutoUpdate Test Root CA"
//   unsigned.exe              the same program without a signature
//   signed-tampered.exe       signed-valid.exe with one byte changed after signing
//   signed-untrusted-root.exe signed under a second root that is never installed
//   root-ca.cer / .pem        the trusted test root (DER / PEM)
//   untrusted-root-ca.cer     the other root
//   server-trusted.pem/.key, server-untrusted.pem/.key, server-wrong-host.pem/.key
//                             TLS server certificates (see LoopbackHttpServer)
//
//   TEST(Signature, Valid) {
//       ASSERT_TRUE(zvtest::InstallTestRootCA());
//       std::wstring path = zvtest::FixturePath(L"signed-valid.exe"); // full Z:\ path
//       ...
//   }
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zvtest {

// The fixture folder as a full Windows path (Z:\...\fixtures), no trailing "\".
std::wstring FixtureDirectory();
// Full Windows path of one fixture file.
std::wstring FixturePath(const std::wstring& name);
// The same file as a Unix path, for Unix helpers started from a test.
std::string FixtureUnixPath(const std::string& name);

// Adds the trusted test root ("ZvAutoUpdate Test Root CA", root-ca.cer) to the
// LOCAL_MACHINE "Root" store of the Wine prefix the test runs in, so
// WinVerifyTrust and WinINet trust what it issued. Idempotent; never installs
// the untrusted root. Call it in SetUp / SetUpTestSuite of tests that need trust.
::testing::AssertionResult InstallTestRootCA();

} // namespace zvtest
