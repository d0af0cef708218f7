// CZVLegacyIniFileSupport: typed values (paths, rectangles, colours, fonts,
// integers) from INI files, with a default value, a default file and section,
// and a fallback section. Skinned dialogs and controls have it as a base so
// that skin files are read the same way everywhere.
//
// Values are read through an attached CZVIniFileReader (not owned) or, when
// none is attached, with GetPrivateProfileStringW on the file itself (which
// reads the disk on every call and takes a relative file name as relative to
// the Windows folder). Every value is read into a buffer of 260 characters;
// a value that exists but is empty counts as missing.
//
// Every read returns non-zero on success and 0 on failure; it returns 0 at
// once, writing nothing, when its result pointer is null.
#pragma once

#include <windows.h>

class CZVIniFileReader;

class CZVLegacyIniFileSupport {
public:
    static constexpr int kValueChars = MAX_PATH; // 260

    CZVLegacyIniFileSupport();
    CZVLegacyIniFileSupport(const CZVLegacyIniFileSupport&) = default;
    CZVLegacyIniFileSupport& operator=(const CZVLegacyIniFileSupport&) = default;

    // The virtual operations, in slot order.
    virtual ~CZVLegacyIniFileSupport();

    // A text kept for callers (typically the folder of the skin's bitmaps);
    // at most 259 characters are kept. Null clears it.
    virtual void SetPrefix(const wchar_t* prefix);
    // Copies the prefix into buffer (at least 260 characters).
    virtual void GetPrefix(wchar_t* buffer) const;
    // The file and section used when a call names none (null: empty).
    virtual void SetDefaults(const wchar_t* file, const wchar_t* section);
    // result (260 characters) = prefix text followed by the value, or by the
    // default when the value is missing; returns ReadValue's result.
    virtual int ReadPath(wchar_t* result, const wchar_t* prefix, const wchar_t* defaultValue, const wchar_t* key,
                         const wchar_t* section, const wchar_t* file, const wchar_t* fallbackSection);
    // "left, top, right, bottom" (commas or blanks); values not given are 0.
    // The rectangle is always written; success needs all four numbers.
    virtual int ReadRect(RECT* rect, const wchar_t* defaultValue, const wchar_t* key, const wchar_t* section,
                         const wchar_t* file, const wchar_t* fallbackSection);
    // The face from faceKey and the size fields from sizeKey:
    // "height weight italic underline non-antialiased charset quality"
    // (height may have decimals, truncated; missing fields: 0 0 0 0 1 0 -1).
    // A face the toolkit refuses (one of the maker's fonts while they are
    // unavailable or suppressed, see ZorvaFont) is replaced by the record
    // read from faceKey + ".alternative" and sizeKey + ".alternative". On
    // failure the caller's record is left as it was.
    virtual int ReadFont(LOGFONTW* font, const wchar_t* defaultFace, const wchar_t* defaultSize,
                         const wchar_t* faceKey, const wchar_t* sizeKey, const wchar_t* section,
                         const wchar_t* file, const wchar_t* fallbackSection);
    // "red green blue" (commas or blanks), each reduced to its low byte;
    // missing ones are 0. Always written; success needs all three.
    virtual int ReadColor(COLORREF* color, const wchar_t* defaultValue, const wchar_t* key,
                          const wchar_t* section, const wchar_t* file, const wchar_t* fallbackSection);
    // The value's leading decimal integer, or defaultValue.
    virtual int ReadInt(int* value, int defaultValue, const wchar_t* key, const wchar_t* section,
                        const wchar_t* file, const wchar_t* fallbackSection);

    // Attaches a reader (null: use the system function); returns the one
    // attached before.
    CZVIniFileReader* SetReader(CZVIniFileReader* reader);
    CZVIniFileReader* GetReader() const { return m_reader; }

    // The core of every read. result (260 characters) gets the value or the
    // default. An empty section or file argument means the default one. The
    // key is looked up in the section, then, when that gives nothing, in the
    // fallback section. Fails for a null argument, an empty key, no file, or
    // a missing or empty value.
    int ReadValue(wchar_t* result, const wchar_t* defaultValue, const wchar_t* key, const wchar_t* section,
                  const wchar_t* file, const wchar_t* fallbackSection);

private:
    int ReadFontRecord(LOGFONTW* font, const wchar_t* defaultFace, const wchar_t* defaultSize,
                       const wchar_t* faceKey, const wchar_t* sizeKey, const wchar_t* section, const wchar_t* file,
                       const wchar_t* fallbackSection);
    bool Lookup(const wchar_t* section, const wchar_t* key, const wchar_t* file, wchar_t* result);

    wchar_t m_defaultFile[kValueChars];
    wchar_t m_defaultSection[kValueChars];
    wchar_t m_prefix[kValueChars];
    CZVIniFileReader* m_reader;
};
