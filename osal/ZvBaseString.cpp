#include "ZvOSAL/ZvBaseString.h"

namespace ZvOSAL {

ZvBaseString::ZvBaseString() = default;
ZvBaseString::ZvBaseString(const ZvBaseString&) {}
ZvBaseString& ZvBaseString::operator=(const ZvBaseString&) { return *this; }
ZvBaseString::~ZvBaseString() = default;

bool ZvBaseString::IsEmpty() const { return GetLength() < 1; }

} // namespace ZvOSAL
