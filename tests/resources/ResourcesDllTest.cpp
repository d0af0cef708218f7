// The DLL itself carries the templates and strings in all 22 languages (not
// only the static test programs, which link the resource script directly).
#include "resources/ResourceExpectations.h"
#include "../../resources/resource.h"

#include <gtest/gtest.h>

using namespace zvres;

namespace {

class DllResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_module = LoadLibraryW(L"ZvAutoUpdate.dll"); }
    static void TearDownTestSuite()
    {
        if (s_module)
            FreeLibrary(s_module);
        s_module = nullptr;
    }
    void SetUp() override { ASSERT_NE(nullptr, s_module) << GetLastError(); }

    static HMODULE s_module;
};
HMODULE DllResources::s_module = nullptr;

} // namespace

TEST_F(DllResources, TheProgramItselfHasNone)
{
    // So that every check below looks into the DLL.
    EXPECT_EQ(nullptr, FindResourceExW(GetModuleHandleW(nullptr), RT_DIALOG, MAKEINTRESOURCEW(IDD_UPDATE), 2057));
}

TEST_F(DllResources, EveryLanguageHasAllTemplatesAndStrings)
{
    CheckLanguageSet(s_module);
}

TEST_F(DllResources, EnglishTemplatesAsDesigned)
{
    CheckEnglishTemplates(s_module);
}

TEST_F(DllResources, TranslatedTemplatesKeepControlsAndPlaceholders)
{
    CheckTranslatedTemplates(s_module);
}

TEST_F(DllResources, StringTables)
{
    CheckStrings(s_module);
}

TEST_F(DllResources, VersionResourceStaysEnglish)
{
    CheckVersionResource(s_module);
}
