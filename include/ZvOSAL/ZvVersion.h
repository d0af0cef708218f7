// ZvVersion: a four-part version number (major.minor.release.build), parsed
// from dotted text and printed as "%u.%u.%u.%u".
//
// Parsing never fails: the text is split at "." (a leading dot gives no part,
// two dots in a row give an empty part, which counts as 0), the first four
// parts are read as decimal numbers up to their first non-digit (text without
// digits is 0, values beyond 32 bits are 4294967295), further parts are
// ignored and missing ones are 0. So "1..3.4" is 1.0.3.4, ".1.2" is 1.2.0.0
// and "10.0b.7" is 10.0.7.0.
#pragma once

#include "ZvExport.h"
#include "ZvString.h"

namespace ZvOSAL {

class ZVOSAL_API ZvVersion {
public:
    // Part indexes, most significant first.
    enum EVersion {
        eVersion_Major = 0,
        eVersion_Minor = 1,
        eVersion_Release = 2,
        eVersion_Build = 3
    };

    // 0.0.0.0
    ZvVersion();
    ZvVersion(const ZvVersion& other);
    ZvVersion(unsigned long major, unsigned long minor, unsigned long release, unsigned long build);
    // Parsed (see above).
    ZvVersion(const ZvString& text);
    virtual ~ZvVersion();

    ZvVersion& operator=(const ZvVersion& other);
    ZvVersion& operator=(const ZvString& text);

    // 0.0.0.0
    void Init();
    // index 0..3; other indexes read 0 and write nothing.
    unsigned long GetVersion(EVersion index) const;
    void SetVersion(EVersion index, unsigned long value);
    // Always four parts: "1.2.0.0".
    ZvString GetDisplayName() const;

    // Part by part, as unsigned numbers (1.10 is above 1.9).
    bool operator==(const ZvVersion& other) const;
    bool operator<(const ZvVersion& other) const;
    bool operator>(const ZvVersion& other) const;
    bool operator<=(const ZvVersion& other) const;
    bool operator>=(const ZvVersion& other) const;

private:
    void ConvertFromString(const ZvString& text);
    int CompareTo(const ZvVersion& other) const;

    unsigned long m_nVersion[4];
};

} // namespace ZvOSAL
