#include "Updater.h"

#include "ZvAutoUpdate.h"

CUpdater::CUpdater(ZvAutoUpdate::CUpdateConfiguration2* configuration)
    : m_configuration(configuration)
{
}

CUpdater::~CUpdater() = default;

int CUpdater::Run(int action)
{
    // The workflow and the upload are not part of this build yet: report
    // that plainly and end without an install decision or an upload.
    if (action == ZVAU_ACTION_UPLOAD_CRM) {
        m_configuration->Log(L"CUpdater::Run(): the customer-data upload is not available in this build.");
        return ZVAU_RESULT_FAILED;
    }
    m_configuration->Log(L"CUpdater::Run(): the update workflow is not available in this build.");
    return ZVAU_RESULT_OK;
}
