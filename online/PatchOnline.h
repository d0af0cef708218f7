// CPatchOnline: the availability check (action 3) and the download of the
// patch installer (action 4).
#pragma once

#include "UpdateConfiguration2.h"

class CPatchOnline {
public:
    explicit CPatchOnline(ZvAutoUpdate::CUpdateConfiguration2* configuration);

    CPatchOnline(const CPatchOnline&) = delete;
    CPatchOnline& operator=(const CPatchOnline&) = delete;

    // 1: an update is available; 2: none, or the check failed.
    int IsAvailable(bool reportToHost);
    // 1: downloaded and handed over; 10: no download address; 15: failed.
    int Download(bool reportToHost);

private:
    ZvAutoUpdate::CUpdateConfiguration2* m_configuration;
};
