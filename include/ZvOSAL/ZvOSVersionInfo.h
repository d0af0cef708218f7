// ZvOSVersionInfo: the running system's version and service-pack version, its
// word size and display names. ZvOSVersionInfoWindows adds the classification
// into named Windows versions and editions, and can be built for a named
// version so that "is the system at least Windows 7?" is a comparison:
//
//     if (ZvOSVersionInfoWindows() >= ZvOSVersionInfoWindows(ZvOSVersionInfoWindows::eWindows7)) ...
//
// The system reports versions above 6.2 (Windows 8) only to programs whose
// manifest declares support for them; without such a manifest Windows 10
// reports itself as 6.2 and is classified as Windows 8.0. The detection uses
// whatever the system reports.
#pragma once

#include "ZvExport.h"
#include "ZvString.h"
#include "ZvVersion.h"

namespace ZvOSAL {

class ZVOSAL_API ZvOSVersionInfo {
public:
    enum EOSBits {
        eOSBits32 = 0,
        eOSBits64 = 1,
    };

    enum EDisplay {
        eDisplayFamily = 0,            // "Windows"
        eDisplayVersion = 1,           // e.g. "Windows 7"
        eDisplayVersionAndEdition = 2, // e.g. "Windows 7 Ultimate"
    };

    // Reads the system's version record; on failure both versions stay 0.0.0.0.
    ZvOSVersionInfo();
    ZvOSVersionInfo(const ZvOSVersionInfo& other);
    ZvOSVersionInfo& operator=(const ZvOSVersionInfo& other);
    virtual ~ZvOSVersionInfo();

    // Major.minor of the system (the other two parts 0).
    const ZvVersion& GetOSVersion() const { return m_osVersion; }
    operator const ZvVersion&() const { return m_osVersion; }
    // Service-pack major.minor (the other two parts 0).
    const ZvVersion& GetServicePackVersion() const { return m_servicePackVersion; }

    // Compare the OS versions only (the service packs are not compared).
    bool operator==(const ZvOSVersionInfo& other) const;
    bool operator<(const ZvOSVersionInfo& other) const;
    bool operator>(const ZvOSVersionInfo& other) const;
    bool operator<=(const ZvOSVersionInfo& other) const;
    bool operator>=(const ZvOSVersionInfo& other) const;

    // The word size of the system (not of this process): a 32-bit program
    // under WOW64 on a 64-bit system gets eOSBits64.
    EOSBits GetOSBits() const;

    // eDisplayFamily: "Windows"; eDisplayVersion: the running system's version
    // text; eDisplayVersionAndEdition: version text, a space and edition text,
    // without trailing white space; any other value: "unknown". The texts
    // always describe the running system, also for an object built for a
    // named version.
    ZvString GetDisplayName(EDisplay display) const;

protected:
    ZvVersion m_osVersion;
    ZvVersion m_servicePackVersion;

private:
    bool DetermineVersions();
    ZvString GetOSName() const;
    ZvString GetOSEdition() const;
};

class ZVOSAL_API ZvOSVersionInfoWindows : public ZvOSVersionInfo {
public:
    enum EWindowsVersion {
        eWindowsUnknown = 0,
        eWindows95 = 1,
        eWindows98 = 2,
        eWindowsME = 3,
        eWindowsNT351 = 4,
        eWindowsNT4 = 5,
        eWindows2000 = 6,
        eWindowsXP = 7,
        eWindowsServer2003 = 8,
        eWindowsVista = 9,
        eWindowsServer2008 = 10,
        eWindows7 = 11,
        eWindowsServer2008R2 = 12,
        eWindows8 = 13,
        eWindows81 = 14,
        eWindows10 = 15,
        eWindowsNew = 999, // newer than every version above
    };

    enum EWindowsEdition {
        eEditionUnknown = 0,
        eEditionHome = 1,
        eEditionProfessional = 2,
        eEditionBusiness = 3,
        eEditionHPC = 4,
        eEditionServerDatacenterFull = 5,
        eEditionServerDatacenterFullWithoutHyperV = 6,
        eEditionServerDatacenterCore = 7,
        eEditionServerDatacenterCoreWithoutHyperV = 8,
        eEditionServerEnterprise = 9,
        eEditionHomeBasic = 10,
        eEditionHomePremium = 11,
        eEditionHyperVServer = 12,
        eEditionHomeServer = 13,
        eEditionServerMediumBusiness = 14,
        eEditionServerSmallBusiness = 15,
        eEditionServerStandard = 16,
        eEditionStarter = 17,
        eEditionServerStorage = 18,
        eEditionUltimate = 19,
        eEditionServerWebserver = 20,
        eEditionUnlicensed = 21,
    };

    // 999: a version newer than every named one.
    static const EWindowsVersion m_eWindowsNew;

    // The running system, classified.
    ZvOSVersionInfoWindows();
    // A named version: the OS version becomes that version's major.minor
    // (0.0.0.0 for values outside 1 to 15, 999 included) and the edition
    // unknown; the service-pack version stays the running system's.
    explicit ZvOSVersionInfoWindows(EWindowsVersion version);
    ZvOSVersionInfoWindows(const ZvOSVersionInfoWindows& other);
    ZvOSVersionInfoWindows& operator=(const ZvOSVersionInfoWindows& other);
    ~ZvOSVersionInfoWindows() override;

    EWindowsVersion GetWindowsVersion() const { return m_version; }
    EWindowsEdition GetWindowsEdition() const { return m_edition; }

    bool IsWin9x() const;    // 95, 98 or ME
    bool IsWin2000() const;
    bool IsWinXP() const;
    bool IsWinVista() const;
    bool IsWin7() const;

    // The texts of the running system's version and edition (empty when unknown).
    static ZvString GetOSVersionString();
    static ZvString GetOSEditionString();

protected:
    // Non-zero only for an object built for a workstation version by name.
    int m_workstation;
    EWindowsEdition m_edition;
    EWindowsVersion m_version;
};

} // namespace ZvOSAL
