// Robustness of CPatchInfo::Read: mutated patch description documents must
// never crash or hang the reader, and a record must stay consistent
// (IsValid and SaveDescriptionAsHtml work on whatever was read).
//
// Seeded: a failure names the seed and the iteration; ZV_FUZZ_SEED and
// ZV_FUZZ_ITERATIONS in the environment reproduce or widen a run.
#include "online/PatchInfo.h"

#include "support/Files.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using ZvOSAL::ZvPath;
using zvtest::TempFolder;

namespace {

const std::vector<std::string> kSeeds = {
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<patch url=\"https://u.example.com/Setup.exe\" "
    "filesize=\"123456\" version=\"2.1.0.0\" pug_installer=\"3\"><![CDATA[<html><body><p>Neu: "
    "Gr\xC3\xBC\xC3\x9F" "e</p></body></html>]]></patch>\n",
    "<feed xmlns:z=\"urn:z\"><z:patch url=\"x\"/>text<patch version=\"1.2\"><file url=\"http://h/a\" "
    "filesize=\"9\"/>notes &amp; more<!-- c --><?pi v?></patch>tail</feed>",
    "<?xml version=\"1.0\" encoding=\"utf-16\"?><patch>x</patch>",
    "<patch url='http://h/s' filesize='1' version='1'>\r\n  <![CDATA[a]]>\r\n</patch>",
};

// Fragments that exercise the reader's harder paths.
const std::vector<std::string> kFragments = {
    "<", ">", "</patch>", "<patch>", "<patch/>", "<![CDATA[", "]]>", "<!--", "-->", "<?", "?>",
    "<!DOCTYPE patch>", "<!ENTITY e \"x\">", "&", "&amp;", "&#0;", "&#xFFFF;", "&#x110000;", "&e;",
    "\"", "'", "=", "xmlns:a=\"\"", "a:url=\"x\"", " url=\"http://h/\" ", " filesize=\"99999999999999999999\" ",
    " version=\"4294967296.1.1.1\" ", " pug_installer=\"-2147483649\" ", "\xEF\xBB\xBF", "\xFF\xFE", "\xC3",
    "\xF4\x90\x80\x80", "\x00", "\n", "\r", "\t", "<a><b><c><d>", "</d></c></b></a>",
};

std::string Mutate(std::string doc, std::mt19937& random)
{
    auto pick = [&random](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(random) : 0; };
    int mutations = 1 + static_cast<int>(pick(4));
    for (int m = 0; m < mutations; ++m) {
        size_t at = pick(doc.size() + 1);
        switch (pick(7)) {
        case 0: // delete a range
            doc.erase(at, pick(16) + 1);
            break;
        case 1: // insert a markup fragment
            doc.insert(at, kFragments[pick(kFragments.size())]);
            break;
        case 2: // flip a byte
            if (!doc.empty())
                doc[pick(doc.size())] = static_cast<char>(pick(256));
            break;
        case 3: // duplicate a range
            if (!doc.empty()) {
                size_t from = pick(doc.size());
                doc.insert(at, doc.substr(from, pick(64) + 1));
            }
            break;
        case 4: // truncate
            doc.resize(at);
            break;
        case 5: // random bytes
            for (size_t i = pick(8) + 1; i > 0; --i)
                doc.insert(doc.begin() + static_cast<std::ptrdiff_t>(pick(doc.size() + 1)),
                           static_cast<char>(pick(256)));
            break;
        default: { // deep nesting or a long run
            std::string open, close;
            size_t depth = pick(400) + 1;
            for (size_t i = 0; i < depth; ++i) {
                open += "<patch>";
                close += "</patch>";
            }
            doc.insert(at, pick(2) ? open + close : std::string(pick(100000) + 1, 'a'));
            break;
        }
        }
    }
    return doc;
}

unsigned EnvOr(const char* name, unsigned fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

TEST(PatchInfoFuzz, MutatedDocumentsNeitherCrashNorHang)
{
    const unsigned seed = EnvOr("ZV_FUZZ_SEED", 20240601u);
    const unsigned iterations = EnvOr("ZV_FUZZ_ITERATIONS", 400u);
    const DWORD budgetMs = 60000;
    std::mt19937 random(seed);
    TempFolder folder;
    const std::wstring xml = folder.Path(L"result.xml");
    const DWORD start = GetTickCount();

    unsigned done = 0;
    for (unsigned i = 0; i < iterations && GetTickCount() - start < budgetMs; ++i, ++done) {
        std::string doc = Mutate(kSeeds[i % kSeeds.size()], random);
        ASSERT_TRUE(zvtest::WriteFileBytes(xml, doc));

        // Invariants checked on whatever was read: the saved page is the
        // description in UTF-8, and once a page is saved only size, version
        // and address decide validity.
        std::string expectedPage, savedPage;
        bool validAfterSave = false, expectedValid = false;
        HANDLE thread = zvtest::StartThread([&] {
            CPatchInfo info;
            info.Read(ZvPath(xml.c_str()));
            info.IsValid();
            info.SaveDescriptionAsHtml(ZvPath(xml.c_str()));
            validAfterSave = info.IsValid();
            ZvOSAL::ZvString version = info.GetVersion().GetDisplayName();
            expectedValid = info.GetFileSize() != 0 && !(version == L"0.0.0.0") && !info.GetUrl().IsEmpty();
            const wchar_t* text = info.GetDescription().c_str();
            int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
            if (n > 1) {
                expectedPage.resize(static_cast<size_t>(n));
                WideCharToMultiByte(CP_UTF8, 0, text, -1, &expectedPage[0], n, nullptr, nullptr);
                expectedPage.resize(static_cast<size_t>(n - 1));
            }
            savedPage = zvtest::ReadFileBytes(folder.Path(L"result.html"));
        });
        ASSERT_NE(nullptr, thread);
        DWORD waited = WaitForSingleObject(thread, 10000);
        if (waited != WAIT_OBJECT_0) {
            // A hung reader cannot be stopped safely; report and leave.
            ADD_FAILURE() << "Read did not finish within 10 s: seed " << seed << ", iteration " << i;
            std::fflush(stdout);
            ExitProcess(1);
        }
        CloseHandle(thread);
        ASSERT_EQ(expectedPage, savedPage) << "seed " << seed << ", iteration " << i;
        ASSERT_EQ(expectedValid, validAfterSave) << "seed " << seed << ", iteration " << i;
    }
    std::printf("fuzz: %u documents read (seed %u)\n", done, seed);
    EXPECT_GE(done, std::min(iterations, 50u)) << "too few documents within the time budget";
}

} // namespace
