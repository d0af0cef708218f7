// ZvCodepages: the code pages of 8-bit text. The values are Windows code-page
// identifiers and go straight to MultiByteToWideChar/WideCharToMultiByte,
// except ZvCodepage7Bit, which the library converts itself.
#pragma once

namespace ZvOSAL {

enum ZvCodepages {
    // The system's ANSI code page (CP_ACP): the default for 8-bit text.
    ZvCodepageAnsi = 0,
    // UTF-8 (CP_UTF8).
    ZvCodepageUtf8 = 65001,
    // 7-bit ASCII, converted without the system: bytes and units below 0x80
    // are copied, everything else becomes "?" in both directions.
    ZvCodepage7Bit = 65002
};

} // namespace ZvOSAL
