#include "toolkit/ZVLegacyIniFileSupport.h"

#include "ini/ZVIniFileReader.h"
#include "osal/ZorvaFont.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

const int kChars = CZVLegacyIniFileSupport::kValueChars;

// Copies at most capacity - 1 characters and terminates; null copies nothing.
void CopyText(wchar_t* target, const wchar_t* source, size_t capacity)
{
    size_t length = source ? wcslen(source) : 0;
    if (length > capacity - 1)
        length = capacity - 1;
    if (length)
        wmemcpy(target, source, length);
    target[length] = L'\0';
}

void CommasToBlanks(wchar_t* text)
{
    for (; *text; ++text) {
        if (*text == L',')
            *text = L' ';
    }
}

// swscanf's count, with "nothing at all" (EOF) as 0.
int Scanned(int count) { return count < 0 ? 0 : count; }

bool AppendSuffix(wchar_t* target, const wchar_t* key, const wchar_t* suffix)
{
    const size_t keyLength = wcslen(key), suffixLength = wcslen(suffix);
    if (keyLength + suffixLength + 1 > static_cast<size_t>(kChars))
        return false;
    wmemcpy(target, key, keyLength);
    wmemcpy(target + keyLength, suffix, suffixLength + 1);
    return true;
}

} // namespace

CZVLegacyIniFileSupport::CZVLegacyIniFileSupport() : m_reader(nullptr)
{
    m_defaultFile[0] = L'\0';
    m_defaultSection[0] = L'\0';
    m_prefix[0] = L'\0';
}

CZVLegacyIniFileSupport::~CZVLegacyIniFileSupport() = default;

void CZVLegacyIniFileSupport::SetPrefix(const wchar_t* prefix) { CopyText(m_prefix, prefix, kChars); }

void CZVLegacyIniFileSupport::GetPrefix(wchar_t* buffer) const
{
    if (buffer)
        CopyText(buffer, m_prefix, kChars);
}

void CZVLegacyIniFileSupport::SetDefaults(const wchar_t* file, const wchar_t* section)
{
    CopyText(m_defaultFile, file, kChars);
    CopyText(m_defaultSection, section, kChars);
}

CZVIniFileReader* CZVLegacyIniFileSupport::SetReader(CZVIniFileReader* reader)
{
    CZVIniFileReader* previous = m_reader;
    m_reader = reader;
    return previous;
}

bool CZVLegacyIniFileSupport::Lookup(const wchar_t* section, const wchar_t* key, const wchar_t* file,
                                     wchar_t* result)
{
    if (m_reader)
        return m_reader->GetProfileString(section, key, L"", result, kChars) != 0;
    return GetPrivateProfileStringW(section, key, L"", result, kChars, file) != 0;
}

int CZVLegacyIniFileSupport::ReadValue(wchar_t* result, const wchar_t* defaultValue, const wchar_t* key,
                                       const wchar_t* section, const wchar_t* file, const wchar_t* fallbackSection)
{
    if (!result)
        return 0;
    CopyText(result, defaultValue, kChars);
    if (!defaultValue || !key || !section || !file || !fallbackSection || !*key)
        return 0;
    const wchar_t* useFile = *file ? file : m_defaultFile;
    const wchar_t* useSection = *section ? section : m_defaultSection;
    if (!*useFile)
        return 0;
    if (*useSection && Lookup(useSection, key, useFile, result))
        return 1;
    if (*fallbackSection && Lookup(fallbackSection, key, useFile, result))
        return 1;
    CopyText(result, defaultValue, kChars);
    return 0;
}

int CZVLegacyIniFileSupport::ReadPath(wchar_t* result, const wchar_t* prefix, const wchar_t* defaultValue,
                                      const wchar_t* key, const wchar_t* section, const wchar_t* file,
                                      const wchar_t* fallbackSection)
{
    if (!result)
        return 0;
    wchar_t value[kChars];
    const int ok = ReadValue(value, defaultValue, key, section, file, fallbackSection);
    _snwprintf(result, kChars, L"%s%s", prefix ? prefix : L"", value);
    result[kChars - 1] = L'\0';
    return ok;
}

int CZVLegacyIniFileSupport::ReadRect(RECT* rect, const wchar_t* defaultValue, const wchar_t* key,
                                      const wchar_t* section, const wchar_t* file, const wchar_t* fallbackSection)
{
    if (!rect)
        return 0;
    wchar_t value[kChars];
    const int ok = ReadValue(value, defaultValue, key, section, file, fallbackSection);
    CommasToBlanks(value);
    int left = 0, top = 0, right = 0, bottom = 0;
    const int count = Scanned(swscanf(value, L"%d %d %d %d", &left, &top, &right, &bottom));
    rect->left = left;
    rect->top = top;
    rect->right = right;
    rect->bottom = bottom;
    return ok && count == 4 ? 1 : 0;
}

int CZVLegacyIniFileSupport::ReadColor(COLORREF* color, const wchar_t* defaultValue, const wchar_t* key,
                                       const wchar_t* section, const wchar_t* file, const wchar_t* fallbackSection)
{
    if (!color)
        return 0;
    wchar_t value[kChars];
    const int ok = ReadValue(value, defaultValue, key, section, file, fallbackSection);
    CommasToBlanks(value);
    int red = 0, green = 0, blue = 0;
    const int count = Scanned(swscanf(value, L"%d %d %d", &red, &green, &blue));
    *color = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    return ok && count == 3 ? 1 : 0;
}

int CZVLegacyIniFileSupport::ReadInt(int* value, int defaultValue, const wchar_t* key, const wchar_t* section,
                                     const wchar_t* file, const wchar_t* fallbackSection)
{
    if (!value)
        return 0;
    wchar_t defaultText[16];
    _snwprintf(defaultText, 16, L"%d", defaultValue);
    defaultText[15] = L'\0';
    wchar_t text[kChars];
    const int ok = ReadValue(text, defaultText, key, section, file, fallbackSection);
    *value = static_cast<int>(wcstol(text, nullptr, 10));
    return ok;
}

int CZVLegacyIniFileSupport::ReadFontRecord(LOGFONTW* font, const wchar_t* defaultFace, const wchar_t* defaultSize,
                                            const wchar_t* faceKey, const wchar_t* sizeKey, const wchar_t* section,
                                            const wchar_t* file, const wchar_t* fallbackSection)
{
    wchar_t face[kChars];
    const int faceOk = ReadValue(face, defaultFace, faceKey, section, file, fallbackSection);
    const wchar_t* faceStart = face;
    while (*faceStart == L' ' || *faceStart == L'\t')
        ++faceStart;
    ZeroMemory(font, sizeof(*font));
    CopyText(font->lfFaceName, faceStart, LF_FACESIZE);

    wchar_t size[kChars];
    const int sizeOk = ReadValue(size, defaultSize, sizeKey, section, file, fallbackSection);
    CommasToBlanks(size);
    float height = 0;
    int weight = 0, italic = 0, underline = 0, nonAntialiased = 1, charSet = 0, quality = -1;
    swscanf(size, L"%f %d %d %d %d %d %d", &height, &weight, &italic, &underline, &nonAntialiased, &charSet,
            &quality);

    // Truncated towards zero; heights beyond the field's range are clamped.
    if (!(height == height))
        height = 0; // NaN
    if (height > static_cast<float>(INT_MAX / 2))
        height = static_cast<float>(INT_MAX / 2);
    if (height < static_cast<float>(INT_MIN / 2))
        height = static_cast<float>(INT_MIN / 2);
    font->lfHeight = static_cast<LONG>(height);
    font->lfWeight = weight;
    font->lfItalic = italic ? 1 : 0;
    font->lfUnderline = underline ? 1 : 0;
    if (nonAntialiased)
        font->lfQuality = NONANTIALIASED_QUALITY;
    if (quality >= 0)
        font->lfQuality = static_cast<BYTE>(quality);
    font->lfOutPrecision = OUT_TT_ONLY_PRECIS;
    font->lfCharSet = charSet ? static_cast<BYTE>(charSet) : ZorvaFont::GetDefaultCharSet();
    return faceOk && sizeOk ? 1 : 0;
}

int CZVLegacyIniFileSupport::ReadFont(LOGFONTW* font, const wchar_t* defaultFace, const wchar_t* defaultSize,
                                      const wchar_t* faceKey, const wchar_t* sizeKey, const wchar_t* section,
                                      const wchar_t* file, const wchar_t* fallbackSection)
{
    if (!font)
        return 0;
    LOGFONTW record;
    if (!ReadFontRecord(&record, defaultFace, defaultSize, faceKey, sizeKey, section, file, fallbackSection))
        return 0; // the caller's record is untouched
    if (ZorvaFont::IsFaceUsable(record.lfFaceName)) {
        *font = record;
        return 1;
    }
    wchar_t alternativeFace[kChars], alternativeSize[kChars];
    if (!faceKey || !sizeKey || !AppendSuffix(alternativeFace, faceKey, L".alternative") ||
        !AppendSuffix(alternativeSize, sizeKey, L".alternative"))
        return 0;
    if (!ReadFontRecord(&record, defaultFace, defaultSize, alternativeFace, alternativeSize, section, file,
                        fallbackSection))
        return 0;
    *font = record;
    return 1;
}
