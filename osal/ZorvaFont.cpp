#include "osal/ZorvaFont.h"

#include <windows.h>

#include <cwchar>

namespace ZorvaFont {
namespace {

const size_t kPrefixCapacity = 32; // LF_FACESIZE

// Guarded by g_lock: the prefix. The other state is read and written whole.
SRWLOCK g_lock = SRWLOCK_INIT;
const wchar_t kDefaultPrefix[] = L"Zorva";
wchar_t g_prefix[kPrefixCapacity] = L"Zorva";

// -1 not asked yet, 0 not available, 1 available.
volatile LONG g_available = -1;
volatile LONG g_suppressed = 0;
volatile LONG g_defaultCharSet = DEFAULT_CHARSET;

const wchar_t* SkipBlanks(const wchar_t* text)
{
    while (*text == L' ' || *text == L'\t')
        ++text;
    return text;
}

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix)
{
    const size_t prefixLength = wcslen(prefix);
    if (prefixLength == 0 || wcslen(text) < prefixLength)
        return false;
    return CompareStringOrdinal(text, static_cast<int>(prefixLength), prefix, static_cast<int>(prefixLength),
                                TRUE) == CSTR_EQUAL;
}

void CopyPrefix(wchar_t* target)
{
    AcquireSRWLockShared(&g_lock);
    wcscpy(target, g_prefix);
    ReleaseSRWLockShared(&g_lock);
}

struct EnumState {
    const wchar_t* prefix;
    bool found;
};

int CALLBACK OnFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM parameter)
{
    EnumState* state = reinterpret_cast<EnumState*>(parameter);
    const wchar_t* face = font->lfFaceName;
    if (*face == L'@') // the vertical variant of a family
        ++face;
    if (StartsWithNoCase(face, state->prefix)) {
        state->found = true;
        return 0; // stop
    }
    return 1;
}

// True when the system enumerates a font family whose name begins with
// prefix (without regard to case). A null or empty prefix: false.
bool IsFontFamilyInstalled(const wchar_t* prefix)
{
    if (!prefix || !*prefix)
        return false;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return false;
    LOGFONTW query = {};
    query.lfCharSet = DEFAULT_CHARSET; // every family, each once per character set
    EnumState state = {prefix, false};
    EnumFontFamiliesExW(dc, &query, OnFamily, reinterpret_cast<LPARAM>(&state), 0);
    DeleteDC(dc);
    return state.found;
}

} // namespace

bool Initialize()
{
    InterlockedExchange(&g_available, -1);
    return true;
}

bool IsZorvaFont(const wchar_t* face)
{
    if (!face)
        return false;
    wchar_t prefix[kPrefixCapacity];
    CopyPrefix(prefix);
    return StartsWithNoCase(SkipBlanks(face), prefix);
}

bool IsZorvaFontAvailable()
{
    const LONG known = g_available;
    if (known >= 0)
        return known == 1;
    wchar_t prefix[kPrefixCapacity];
    CopyPrefix(prefix);
    const bool available = IsFontFamilyInstalled(prefix);
    // A concurrent Initialize or prefix change wins: only fill an unasked slot.
    InterlockedCompareExchange(&g_available, available ? 1 : 0, -1);
    return available;
}

void SetMakerFontsSuppressed(bool suppressed) { InterlockedExchange(&g_suppressed, suppressed ? 1 : 0); }

bool IsFaceUsable(const wchar_t* face)
{
    if (!IsZorvaFont(face))
        return true;
    return IsZorvaFontAvailable() && g_suppressed == 0;
}

void SetMakerFontPrefix(const wchar_t* prefix)
{
    AcquireSRWLockExclusive(&g_lock);
    wcsncpy(g_prefix, prefix ? prefix : kDefaultPrefix, kPrefixCapacity - 1);
    g_prefix[kPrefixCapacity - 1] = L'\0';
    ReleaseSRWLockExclusive(&g_lock);
    InterlockedExchange(&g_available, -1);
}

unsigned char GetDefaultCharSet() { return static_cast<unsigned char>(g_defaultCharSet); }

void SetDefaultCharSet(unsigned char charSet) { InterlockedExchange(&g_defaultCharSet, charSet); }

} // namespace ZorvaFont
