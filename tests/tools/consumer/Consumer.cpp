// The five lines of host code of the integrator's quick start, and a C
// translation unit beside them (ConsumerC.c) that uses the C face.
#include "ZvAutoUpdate.h"

#include <cstdio>

extern "C" int CheckFromC(void);

namespace {

class Host : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"Consumer"; }
    const wchar_t* GetUpdateURL() override { return L"http://127.0.0.1:9/update"; }
    const wchar_t* GetProgramLanguage() override { return L"en"; }
    const wchar_t* GetProgramVersion() override { return L"1.0.0.0"; }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    void AddInstallerFile(const wchar_t*, int) override {}
    void Log(const wchar_t*) override {}
};

} // namespace

int main()
{
    Host host;
    // Action 0 is answered before anything is asked: 3.
    int fromCpp = DoAction(&host, 0);
    int fromC = CheckFromC();
    std::printf("consumer: DoAction from C++ %d, from C %d\n", fromCpp, fromC);
    return fromCpp == 3 && fromC == 3 ? 0 : 1;
}
