// Printing for the sample host: lines may contain any language's text, so
// they go out as UTF-8.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace sample {

inline void Print(const wchar_t* format, ...)
{
    wchar_t line[4096];
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, 4095, format, args);
    va_end(args);
    line[4095] = 0;
    std::vector<char> utf8(4 * 4096);
    if (WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr) > 0)
        std::fputs(utf8.data(), stdout);
    std::fflush(stdout);
}

inline bool StdoutIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

} // namespace sample
