// CStates: the shared send flag of one update run. It carries the user's
// send-customer-data choice from the caller's thread (workflow start and
// update dialog) to the upload job. Reached only through Singleton<CStates>;
// the updater releases it when the run ends, so every run starts with a new
// object whose flag is true.
#pragma once

#include "update/Singleton.h"

#include <atomic>

class CStates : public Singleton<CStates> {
public:
    CStates() = default;
    CStates(const CStates&) = delete;
    CStates& operator=(const CStates&) = delete;

    bool GetSendCRMData() const { return m_sendCRMData.load(); }
    void SetSendCRMData(bool send) { m_sendCRMData.store(send); }

private:
    std::atomic<bool> m_sendCRMData{true};
};
