#include "ZorvaFont.h"

namespace ZorvaFont {

bool Initialize()
{
    return true;
}

} // namespace ZorvaFont
