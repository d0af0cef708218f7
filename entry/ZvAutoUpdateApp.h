// The library's application object: one per process, alive from load to
// unload. Its start-up prepares what the dialogs need later.
#pragma once

class CZvAutoUpdateApp {
public:
    CZvAutoUpdateApp() = default;
    CZvAutoUpdateApp(const CZvAutoUpdateApp&) = delete;
    CZvAutoUpdateApp& operator=(const CZvAutoUpdateApp&) = delete;

    // Called once when the library is loaded.
    bool InitInstance();
    bool IsInitialised() const { return m_initialised; }

    static CZvAutoUpdateApp& Instance();

private:
    bool m_initialised = false;
};
