#include "PatchOnline.h"

#include "ZvAutoUpdate.h"

CPatchOnline::CPatchOnline(ZvAutoUpdate::CUpdateConfiguration2* configuration)
    : m_configuration(configuration)
{
}

int CPatchOnline::IsAvailable(bool /*reportToHost*/)
{
    m_configuration->Log(L"CPatchOnline::IsAvailable(): the online check is not available in this build.");
    return ZVAU_RESULT_FAILED;
}

int CPatchOnline::Download(bool /*reportToHost*/)
{
    m_configuration->Log(L"CPatchOnline::Download(): the download is not available in this build.");
    return ZVAU_RESULT_TRANSFER_CANCELLED;
}
