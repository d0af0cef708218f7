// ZvBaseString: the small abstract base of the owning, code-page-carrying
// strings ZvAString and ZvWString.
#pragma once

#include "ZvExport.h"

namespace ZvOSAL {

class ZVOSAL_API ZvBaseString {
public:
    ZvBaseString();
    // Copying the base copies nothing; the derived classes copy their text.
    ZvBaseString(const ZvBaseString&);
    ZvBaseString& operator=(const ZvBaseString&);
    virtual ~ZvBaseString();

    // Length in the derived class's unit (bytes or UTF-16 units).
    virtual int GetLength() const = 0;
    // True when GetLength() < 1.
    bool IsEmpty() const;
};

} // namespace ZvOSAL
