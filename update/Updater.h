// CUpdater: one run of action 1 (interactive update) or action 2
// (customer-data upload).
#pragma once

#include "UpdateConfiguration2.h"

class CUpdater {
public:
    explicit CUpdater(ZvAutoUpdate::CUpdateConfiguration2* configuration);
    ~CUpdater();

    CUpdater(const CUpdater&) = delete;
    CUpdater& operator=(const CUpdater&) = delete;

    // Runs action 1 or 2 to the end and returns its result code.
    int Run(int action);

private:
    ZvAutoUpdate::CUpdateConfiguration2* m_configuration;
};
