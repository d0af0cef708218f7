// The font facility the dialog toolkit draws with: Initialize once at library
// start-up, then ask whether the maker's fonts are available and whether a
// face name is one of them.
#pragma once

namespace ZorvaFont {

// Prepares the facility. Until the INI/font work lands this does nothing and
// reports success; calling it more than once is harmless.
bool Initialize();

} // namespace ZorvaFont
