// CZVIniFileReader: reads INI-style text (dialog description files, control
// templates, skin settings) into memory once and answers lookups the way the
// system's private-profile functions do, without touching the disk again.
//
// Sharing: every file is parsed once per process. A process-wide cache, keyed
// by the file's full path without regard to case and guarded by one critical
// section, hands the same parsed content to every reader that opens the same
// path (separately for readers with quote stripping on and off, because
// stripping happens while parsing). Writes through one reader are therefore
// seen by all readers of that path. Parsed files stay cached for the life of
// the process. Lookups are not locked: a reader belongs to the thread that
// uses it, and a shared content must not be written while another thread
// reads it.
//
// Syntax (one line at a time; a line ends at CR LF, CR or LF; blanks and tabs
// at the start of a line are skipped):
//   ; comment         # comment
//   $include <file>   parses another file at this point; a relative name is
//                     taken relative to the including file's folder (as is
//                     for text given from memory). The included file is read
//                     through the cache; its sections and keys are merged in
//                     here, and parsing then goes on in the section that was
//                     current before the directive. An include that cannot be
//                     read, that would close a cycle, or that nests deeper than
//                     the depth limit is skipped.
//   [Section]         names compare without regard to case; a repeated
//                     section continues the first one.
//   key = value       the key loses trailing blanks, the value blanks at both
//                     ends; a value in double quotes loses them while quote
//                     stripping is on; the last line of a key wins. Key lines
//                     above the first section cannot be looked up.
// Every line (comments and blank lines included) is kept, in order, so that
// Save writes the file back as it was apart from the changes.
//
// Encodings: a file starting with FF FE is UTF-16 little-endian (encoding 2),
// with FE FF UTF-16 big-endian (3), anything else 8-bit text in the ANSI code
// page (1). Text is read up to its first NUL character.
//
// A file that another process holds locked (sharing or lock violation) is
// tried again every millisecond for up to 2 seconds by default (see
// CZVIniReaderOptions), then treated as unreadable.
#pragma once

#include "ini/ZvIniNameList.h"

#include <windows.h> // the profile-function names below are macros there (…W)

#include <memory>
#include <string>

namespace ZvOSAL {
class ZvString;
}

struct CZVIniContent;

// The 12-byte record a reader may be constructed with: how its loads behave.
// A zero field keeps that field's default.
struct CZVIniReaderOptions {
    // How long a file that is locked by another process is tried again
    // (every millisecond) before it counts as unreadable. Default 2000.
    unsigned long lockWaitMilliseconds;
    // How many $include levels may nest below a loaded text. Default 32.
    unsigned long maxIncludeDepth;
    // Reserved, 0.
    unsigned long flags;
};
static_assert(sizeof(CZVIniReaderOptions) == 12, "the reader's option record is 12 bytes");

class CZVIniFileReader {
public:
    static constexpr unsigned long kDefaultLockWaitMilliseconds = 2000;
    static constexpr unsigned long kDefaultMaxIncludeDepth = 32;
    // Files larger than this are not read (they are not INI files).
    static constexpr unsigned long kMaxFileBytes = 64ul * 1024 * 1024;

    enum EEncoding { eAnsi = 1, eUtf16LE = 2, eUtf16BE = 3 };

    CZVIniFileReader();
    // Copies the record; loads made by this reader follow it.
    explicit CZVIniFileReader(const CZVIniReaderOptions& options);
    CZVIniFileReader(const CZVIniFileReader&) = delete;
    CZVIniFileReader& operator=(const CZVIniFileReader&) = delete;

    // The virtual operations, in slot order.
    virtual ~CZVIniFileReader();

    // Parses UTF-16 text (length in units, -1: up to the terminating 0; a
    // leading U+FEFF is skipped); encoding becomes 2. True when the reader
    // was already loaded (nothing changes then) or the text was parsed.
    // False for a null text.
    virtual bool LoadFromText(const wchar_t* text, int length = -1);
    // As LoadFromText for 8-bit text in the ANSI code page; encoding 1.
    virtual bool LoadFromBytes(const char* bytes, int length = -1);
    // Drops the previous content and loads the file through the cache. A null
    // path or a file that does not exist gives an empty, loaded reader (values
    // can be written into it and saved). False, and not loaded, when the file
    // cannot be read or does not decode to any text.
    virtual bool Open(const wchar_t* path);
    virtual bool IsLoaded();
    virtual bool IsLoaded() const;
    // The path given to Open (the first opener's spelling for a shared
    // content); empty for text from memory; null when not loaded.
    virtual const wchar_t* GetPath() const;
    // Root and directory of the path, empty when it has none; null when not
    // loaded.
    virtual const wchar_t* GetFolder() const;
    // Copies every section and key of another loaded reader into this one;
    // existing keys take the other's values. False when either is not loaded.
    virtual bool Merge(const CZVIniFileReader* other);
    // Copies the keys and values of one section, in file order, into pairs
    // (values quote-stripped as GetProfileString gives them). False when not
    // loaded, the name is null or there is no such section.
    virtual bool GetSection(const wchar_t* section, CZvStringMap& pairs) const;
    // 1 ANSI, 2 UTF-16 LE, 3 UTF-16 BE. Content that came from no file text
    // (null path, missing file) reports 2 and is saved as UTF-16 LE.
    virtual int GetEncoding() const;
    // As GetProfileString into a 260-character buffer; returns its result.
    virtual unsigned long GetStringValue(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                         ZvOSAL::ZvString& result) const;
    // The value without length limit; the default when the reader is not
    // loaded, a name is empty or the section or key is missing. True when the
    // value was found.
    virtual bool GetStringValue(const ZvOSAL::ZvString& section, const ZvOSAL::ZvString& key,
                                const ZvOSAL::ZvString& defaultValue, ZvOSAL::ZvString& result) const;
    // As the system's GetPrivateProfileStringW: a null section lists the
    // section names, a null key the keys of the section (each followed by a
    // 0, then one more 0); results that do not fit are cut (size - 1 for a
    // value or default, size - 2 for a list). The last argument is ignored.
    virtual unsigned long GetProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                           wchar_t* buffer, unsigned long size,
                                           const wchar_t* reserved = nullptr) const;
    // The value's leading decimal integer (as _wtoi), or defaultValue.
    virtual int GetProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    // Sets a value (creating section and key), removes a key (value null) or
    // a whole section (key null). The value is kept as it will read back from
    // the written file: without blanks at its ends, and without surrounding
    // double quotes while the content strips them. Returns 1 on success (also
    // when there was nothing to remove); 0 when not loaded, the section is
    // null, or a name or value cannot be stored in a file (line breaks; "="
    // in a key, or blanks at its ends, or ";", "#", "[" or "$" first; "]" in
    // a section name). Removed keys and sections that an included file
    // supplies come back when the written file is read again (the include
    // line stays).
    virtual int WriteProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    // Makes the section hold exactly these keys and values: existing keys
    // keep their lines (and comments around them), missing ones are added in
    // the given order, others are removed. False when not loaded or a name or
    // value cannot be stored.
    virtual bool WriteSection(const wchar_t* section, const CZvStringMap& pairs);
    // Writes every kept line, in order, to path (null: the loaded file's
    // path) in the content's encoding, through a temporary file beside the
    // target so a failure leaves the old file intact. Saving to its own path
    // clears the modified flag and makes the cache hold this content for that
    // path; saving elsewhere drops that other path from the cache. False when
    // not loaded, there is no path, the text cannot be written in the ANSI
    // code page without loss (SetEncoding(2) first), or writing fails.
    virtual bool Save(const wchar_t* path = nullptr);
    // True after any write or merge since loading or the last Save to the
    // content's own path.
    virtual bool IsModified() const;
    // On (the default) removes the double quotes around values; takes effect
    // for texts loaded afterwards and for every lookup.
    virtual void SetQuoteStripping(bool on);

    // Not virtual.

    // Changes the encoding Save uses (1, 2 or 3); false for other values or
    // when not loaded.
    bool SetEncoding(int encoding);

private:
    std::shared_ptr<CZVIniContent> NewContent() const;
    bool LoadParsedText(const wchar_t* text, size_t length, int encoding);
    bool IsLoadedContent() const;

    std::shared_ptr<CZVIniContent> m_content;
    bool m_haveOptions;
    CZVIniReaderOptions m_options;
    bool m_stripQuotes;
};
